#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <windows.h>

namespace {

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

} // namespace

bool setUserMark(const QString &path)
{
    return ::SetFileAttributesW(nativePath(path).c_str(), FILE_ATTRIBUTE_HIDDEN);
}

bool hasUserMark(const QString &path)
{
    const DWORD attributes = ::GetFileAttributesW(nativePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN);
}

// Open is held: Qt opens without sharing deletion.
bool holdLikeAWriter(QFile &file)
{
    return file.isOpen();
}

std::thread holdLikeAScanner(const QString &path, int milliseconds)
{
    const HANDLE handle = ::CreateFileW(nativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return {};
    return std::thread([handle, milliseconds] {
        ::Sleep(DWORD(milliseconds));
        ::CloseHandle(handle);
    });
}

bool makeFifo(const QString &)
{
    return false;
}
