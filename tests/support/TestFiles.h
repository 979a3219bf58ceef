#pragma once

#include <QByteArray>
#include <QStringList>
#include <thread>

class QFile;

// A file's bytes, or "<missing>" when it cannot be read.
QByteArray readAll(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// Every entry below folder, hidden ones included, as sorted relative paths.
QStringList entriesBelow(const QString &folder);

// What a user may set on a file that its replacement must keep: owner-only
// permissions on Unix, the hidden attribute on Windows.
bool setUserMark(const QString &path);
bool hasUserMark(const QString &path);
// Holds file as a Seqget that writes it does (the lock of its platform).
bool holdLikeAWriter(QFile &file);
// Opens path as a virus scanner or an indexer does on Windows, without
// sharing its deletion, and closes it after the given time from the thread
// returned (join it before the folder goes). Not joinable where files cannot
// be held so.
std::thread holdLikeAScanner(const QString &path, int milliseconds);
// A FIFO at path; false where the platform has none.
bool makeFifo(const QString &path);
