#include "platform/Volumes.h"

#include <QStorageInfo>

// Windows has no mount table and no udev: its drive letters carry their names.
QByteArray Platform::mountTable()
{
    return {};
}

QHash<QString, QString> Platform::deviceLabels()
{
    return {};
}

QList<Mount> Platform::listedVolumes()
{
    QList<Mount> mounts;
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (!volume.isValid())
            continue;
        mounts.append({ volume.rootPath(), QString::fromUtf8(volume.fileSystemType()),
                        QString::fromUtf8(volume.device()), volume.name(), volume.isReadOnly() });
    }
    return mounts;
}
