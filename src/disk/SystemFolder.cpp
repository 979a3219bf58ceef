#include "disk/SystemFolder.h"

#include <QFileInfo>

#ifdef Q_OS_WIN
// Without it QFileInfo::isWritable looks only at the read-only attribute, and a
// folder under Program Files would pass.
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace {

// A program installed with the system lives in a folder that only root may
// write, and root must not fill it with downloads either.
bool isSystemFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const char *system : { "/usr", "/bin", "/sbin", "/lib", "/opt", "/etc", "/snap" }) {
        const QString prefix = QLatin1String(system);
        if (canonical == prefix || canonical.startsWith(prefix + u'/'))
            return true;
    }
#else
    Q_UNUSED(path);
#endif
    return false;
}

} // namespace

bool isWritableUserFolder(const QString &folder)
{
#ifdef Q_OS_WIN
    ++qt_ntfs_permission_lookup;
#endif
    const bool writable = !folder.isEmpty() && QFileInfo(folder).isWritable();
#ifdef Q_OS_WIN
    --qt_ntfs_permission_lookup;
#endif
    return writable && !isSystemFolder(folder);
}
