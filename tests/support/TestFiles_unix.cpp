#include "support/TestFiles.h"

#include <QFile>
#include <sys/file.h>
#include <sys/stat.h>

bool setUserMark(const QString &path)
{
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
}

bool hasUserMark(const QString &path)
{
    // Owner, group and others as set; Qt adds the user's own bits.
    return (QFile::permissions(path) & 0xf0ff) == (QFile::ReadOwner | QFile::WriteOwner);
}

bool holdLikeAWriter(QFile &file)
{
    return ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
}

std::thread holdLikeAScanner(const QString &, int)
{
    return {};
}

bool makeFifo(const QString &path)
{
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}
