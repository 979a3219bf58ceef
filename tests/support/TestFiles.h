#pragma once

#include <QByteArray>
#include <QStringList>

// A file's bytes, or "<missing>" when it cannot be read.
QByteArray readAll(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// Every entry below folder, hidden ones included, as sorted relative paths.
QStringList entriesBelow(const QString &folder);
// Files this process holds open in folder, those without a name included
// (a body being saved has none until it is whole).
int openFilesIn(const QString &folder);
