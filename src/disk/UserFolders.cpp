#include "disk/UserFolders.h"

#include "platform/FolderAccess.h"

#include <QFileInfo>

bool isSystemFolder(const QString &canonicalPath, const QStringList &programFolders,
                    PathStyle style)
{
    const auto slashed = [style](QString path) {
        if (style == PathStyle::Windows)
            path.replace(u'\\', u'/');
        while (path.size() > 1 && path.endsWith(u'/'))
            path.chop(1);
        return path;
    };
    const Qt::CaseSensitivity cs
        = style == PathStyle::Windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
    const QString path = slashed(canonicalPath);
    for (const QString &folder : programFolders) {
        const QString root = slashed(folder);
        if (!root.isEmpty() && path.startsWith(root, cs)
            && (path.size() == root.size() || path.at(root.size()) == u'/'))
            return true;
    }
    return false;
}

bool isWritableUserFolder(const QString &folder)
{
    return !folder.isEmpty() && Platform::isWritableFolder(folder)
        && !isSystemFolder(QFileInfo(folder).canonicalFilePath(), Platform::programFolders(),
                           Platform::pathStyle());
}
