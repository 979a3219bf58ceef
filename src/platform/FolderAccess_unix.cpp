#include "platform/FolderAccess.h"

#include <QFileInfo>

bool Platform::isWritableFolder(const QString &folder)
{
    return QFileInfo(folder).isWritable();
}

bool Platform::canEnterFolder(const QString &folder)
{
    const QFileInfo info(folder);
    return info.isDir() && info.isReadable() && info.isExecutable();
}

QStringList Platform::programFolders()
{
    return { QStringLiteral("/usr"), QStringLiteral("/bin"), QStringLiteral("/sbin"),
             QStringLiteral("/lib"), QStringLiteral("/opt"), QStringLiteral("/etc"),
             QStringLiteral("/snap") };
}
