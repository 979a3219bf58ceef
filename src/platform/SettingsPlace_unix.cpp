#include "platform/SettingsPlace.h"

#include <QStandardPaths>
#include <QStringDecoder>

Platform::SettingsPlace Platform::userSettingsPlace()
{
    return { QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                 + QStringLiteral("/Seqget/Seqget.conf"),
             false };
}

// Qt reads the code page through ICU.
std::optional<QString> Platform::fromCp932(const QByteArray &line)
{
    QStringDecoder legacy("windows-31j");
    QString text = legacy.decode(line);
    if (!legacy.isValid() || legacy.hasError())
        return std::nullopt;
    return text;
}
