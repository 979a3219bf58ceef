#pragma once

#include <QString>

// Whether the program may put its own files (downloads, the log) into folder:
// the user can write there, and it is not one of the system's (/usr/bin,
// /opt, Program Files), which root could write to and must not fill either.
bool isWritableUserFolder(const QString &folder);
