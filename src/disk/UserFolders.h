#pragma once

#include "platform/PathStyle.h"

#include <QString>

// Whether the program may put its own files (downloads, the log) into folder:
// the user can write there, and it is not one of the system's (/usr/bin,
// /opt, Program Files), which root could write to and must not fill either.
bool isWritableUserFolder(const QString &folder);

// Whether a folder, its links resolved, belongs to the installed system: on
// Unix /usr, /bin, /sbin, /lib, /opt, /etc and /snap and everything below
// them. On Windows none is listed: its access lists keep users out of
// Program Files already.
bool isSystemFolder(const QString &canonicalPath, PathStyle style);
