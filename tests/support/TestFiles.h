#pragma once

#include <QByteArray>
#include <QStringList>

class QFile;

// A file's bytes, or "<missing>" when it cannot be read.
QByteArray readAll(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// Every entry below folder, hidden ones included, as sorted relative paths.
QStringList entriesBelow(const QString &folder);
// Files this process holds open in folder, those without a name included
// (a body being saved has none until it is whole); -1 where the platform
// cannot tell (only Linux lists them).
int openFilesIn(const QString &folder);

// What a user may set on a file that its replacement must keep: owner-only
// permissions on Unix, the hidden attribute on Windows.
bool setUserMark(const QString &path);
bool hasUserMark(const QString &path);
// Holds file as a Seqget that writes it does (the lock of its platform).
bool holdLikeAWriter(QFile &file);
// A FIFO at path; false where the platform has none.
bool makeFifo(const QString &path);
