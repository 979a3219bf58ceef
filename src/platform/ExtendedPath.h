#pragma once

#include <QString>

// The extended-length form of an absolute Windows path, which the file
// functions of Windows take beyond 260 characters without a manifest or a
// policy that allows long paths: \\?\C:\dir\file, \\?\UNC\server\share\file.
// That form is taken literally, so slashes become backslashes and "." and
// ".." steps are resolved first; a path already in that form, or in the
// device form \\.\, is kept. Empty for a path that is not absolute.
//
// A rule of Windows' path syntax that the Windows files below need, kept
// apart from them so that it is tested on every platform.
QString extendedLengthPath(const QString &path);
