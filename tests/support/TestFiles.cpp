#include "support/TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <sys/file.h>
#include <sys/stat.h>
#endif

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entriesBelow(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(folder).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}

int openFilesIn(const QString &folder)
{
#ifndef Q_OS_LINUX
    Q_UNUSED(folder);
    return -1;
#endif
    int count = 0;
    QDirIterator it(QStringLiteral("/proc/self/fd"), QDir::AllEntries | QDir::System);
    while (it.hasNext()) {
        // A file without a name shows as "<folder>/#<inode> (deleted)".
        if (QFile::symLinkTarget(it.next()).startsWith(folder + u'/'))
            ++count;
    }
    return count;
}

bool setUserMark(const QString &path)
{
#ifdef Q_OS_WIN
    return ::SetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str(),
                                FILE_ATTRIBUTE_HIDDEN);
#else
    return QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
#endif
}

bool hasUserMark(const QString &path)
{
#ifdef Q_OS_WIN
    const DWORD attributes
        = ::GetFileAttributesW(QDir::toNativeSeparators(path).toStdWString().c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
#else
    // Owner, group and others as set; Qt adds the user's own bits.
    return (QFile::permissions(path) & 0xf0ff) == (QFile::ReadOwner | QFile::WriteOwner);
#endif
}

bool holdLikeAWriter(QFile &file)
{
#ifdef Q_OS_WIN
    // Open is held: Qt opens without sharing deletion.
    return file.isOpen();
#else
    return ::flock(file.handle(), LOCK_EX | LOCK_NB) == 0;
#endif
}

std::thread holdLikeAScanner(const QString &path, int milliseconds)
{
#ifdef Q_OS_WIN
    const HANDLE handle
        = ::CreateFileW(QDir::toNativeSeparators(path).toStdWString().c_str(), GENERIC_READ,
                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    return std::thread([handle, milliseconds] {
        ::Sleep(DWORD(milliseconds));
        ::CloseHandle(handle);
    });
#else
    Q_UNUSED(path);
    Q_UNUSED(milliseconds);
    return {};
#endif
}

bool makeFifo(const QString &path)
{
#ifdef Q_OS_WIN
    Q_UNUSED(path);
    return false;
#else
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#endif
}
