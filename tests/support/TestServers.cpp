#include "TestServers.h"

#include <QFile>

quint16 fixtureServerPort(const QString &name)
{
    const QString folder = qEnvironmentVariable("SEQGET_TEST_SERVERS");
    if (folder.isEmpty())
        return 0;
    QFile file(folder + QLatin1Char('/') + name + QStringLiteral(".port"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const uint port = QString::fromLatin1(file.readAll()).trimmed().toUInt(&ok);
    return ok && port < 65536 ? quint16(port) : 0;
}
