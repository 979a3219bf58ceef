#pragma once

#include "platform/PathStyle.h"

#include <QString>

// Whether the program may put its own files (downloads, the log) into folder:
// the user can write there, and it is not one of the system's (/usr/bin,
// /opt, Program Files), which root could write to and must not fill either.
bool isWritableUserFolder(const QString &folder);

// Whether a folder, its links resolved, is one of the folders programs are
// installed in (on Unix /usr, /opt and such; on Windows Program Files and the
// per-user programs folder) or lies below one, compared as the path style
// compares paths.
bool isSystemFolder(const QString &canonicalPath, const QStringList &programFolders,
                    PathStyle style);
