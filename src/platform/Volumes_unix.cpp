#include "platform/Volumes.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

QByteArray Platform::mountTable()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QHash<QString, QString> Platform::deviceLabels()
{
    QHash<QString, QString> labels;
    QDirIterator it(QStringLiteral("/dev/disk/by-label"), QDir::Files | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString device = it.fileInfo().canonicalFilePath();
        if (!device.isEmpty())
            labels.insert(device, it.fileName());
    }
    return labels;
}

// Linux lists its volumes in the mount table.
QList<Mount> Platform::listedVolumes()
{
    return {};
}

std::optional<Mount> Platform::probeVolume(const Mount &listed)
{
    if (!QFileInfo(listed.root).isDir())
        return std::nullopt;
    return listed;
}
