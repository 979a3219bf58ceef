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

// Program Files, Windows itself, and the per-user programs folder that an
// installer without administrator rights installs into.
QStringList Platform::programFolders()
{
    QStringList folders;
    for (const char *variable :
         { "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot" }) {
        if (const QString folder = qEnvironmentVariable(variable); !folder.isEmpty())
            folders << folder;
    }
    if (const QString local = qEnvironmentVariable("LOCALAPPDATA"); !local.isEmpty())
        folders << local + QStringLiteral("\\Programs");
    return folders;
}
