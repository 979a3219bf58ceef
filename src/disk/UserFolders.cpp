#include "disk/UserFolders.h"

#include "platform/FolderAccess.h"

#include <QFileInfo>

bool isSystemFolder(const QString &canonicalPath, PathStyle style)
{
    if (style != PathStyle::Unix)
        return false;
    for (const char *system : { "/usr", "/bin", "/sbin", "/lib", "/opt", "/etc", "/snap" }) {
        const QLatin1StringView prefix(system);
        if (canonicalPath == prefix
            || (canonicalPath.startsWith(prefix)
                && canonicalPath.sliced(prefix.size()).startsWith(u'/')))
            return true;
    }
    return false;
}

bool isWritableUserFolder(const QString &folder)
{
    return !folder.isEmpty() && Platform::isWritableFolder(folder)
        && !isSystemFolder(QFileInfo(folder).canonicalFilePath(), Platform::pathStyle());
}
