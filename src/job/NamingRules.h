#pragma once

#include <QString>

struct MainState;

// The rules that turn the job into names. All are pure: they read the record
// (and the base directory where they need it) and return text.

// prefix + number padded to digits + "." + extension; with the extension "*"
// or "?" the number itself becomes the extension.
QString FileNameFor(const MainState &state, qint16 digits, qint16 n);

// URL + FLD + "/" + name, joined as they stand: no separator is added between
// URL and FLD, and nothing is escaped.
QString RemoteUrlFor(const MainState &state, const QString &name);

// base directory + separator + (FLD when SYNC is 1, else PCFLD). The separator
// is always added, even after a base that already ends in one.
QString LocalFolder(const MainState &state, const QString &baseDirectory);

// LocalFolder + separator + name.
QString LocalPathFor(const MainState &state, const QString &baseDirectory, const QString &name);

// The name of the local folder under the base directory: FLD or PCFLD.
QString localFolderName(const MainState &state);
