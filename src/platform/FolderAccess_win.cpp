#include "platform/FolderAccess.h"

#include <QFileInfo>

extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;

bool Platform::isWritableFolder(const QString &folder)
{
    ++qt_ntfs_permission_lookup;
    const bool writable = QFileInfo(folder).isWritable();
    --qt_ntfs_permission_lookup;
    return writable;
}

// Windows has no permission to enter a folder apart from reading it.
bool Platform::canEnterFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable();
}
