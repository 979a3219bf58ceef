#pragma once

#include <QString>
#include <QStringList>

// What the system lets this process do with a folder.
namespace Platform {

// Whether the user may create files in folder. On Windows that is its access
// list, not only the read-only attribute Qt looks at by default, so that a
// folder under Program Files does not pass.
bool isWritableFolder(const QString &folder);

// Whether the process may open folder and list what it holds.
bool canEnterFolder(const QString &folder);

// The folders programs are installed in, with what lies below them: no place
// for a user's downloads or log, even where the user (or root) may write.
QStringList programFolders();

} // namespace Platform
