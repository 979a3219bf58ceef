#include "run/SystemRunPlatform.h"

#include "disk/UserFolders.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <utility>

SystemRunPlatform::SystemRunPlatform(std::function<void()> beeper)
    : m_beeper(std::move(beeper))
{
}

bool SystemRunPlatform::createFolder(const QString &path)
{
    // One level only: a missing base directory is not made up on the way.
    return QDir().mkdir(path);
}

void SystemRunPlatform::beep()
{
    if (m_beeper)
        m_beeper();
}

QString SystemRunPlatform::logFilePath() const
{
    return logFilePathFor(QCoreApplication::applicationDirPath());
}

QString SystemRunPlatform::logFilePathFor(const QString &programFolder)
{
    const QString name = QStringLiteral("Seqget.log");
    if (isWritableUserFolder(programFolder))
        return programFolder + QLatin1Char('/') + name;
    // ~/.local/share/Seqget, as the documents name it (not the organisation
    // and application pair that Qt's own data location would add).
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty())
        return QString();
    const QString dataFolder = dataHome + QStringLiteral("/Seqget");
    QDir().mkpath(dataFolder);
    return dataFolder + QLatin1Char('/') + name;
}
