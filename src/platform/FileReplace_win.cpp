#include "platform/ExtendedPath.h"
#include "platform/FileReplace.h"
#include "platform/ReplaceOutcome.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <windows.h>

namespace {

static_assert(Platform::Win32Error::AccessDenied == ERROR_ACCESS_DENIED
              && Platform::Win32Error::NotSameDevice == ERROR_NOT_SAME_DEVICE
              && Platform::Win32Error::SharingViolation == ERROR_SHARING_VIOLATION
              && Platform::Win32Error::LockViolation == ERROR_LOCK_VIOLATION
              && Platform::Win32Error::None == ERROR_SUCCESS);

// Every path handed to Windows itself takes the extended form, so that a
// deep folder works as well as a short one.
std::wstring nativePath(const QString &path)
{
    return extendedLengthPath(QFileInfo(path).absoluteFilePath()).toStdWString();
}

} // namespace

// NTFS has no file without a name: the saver uses a hidden one.
std::unique_ptr<QFile> Platform::createUnnamedFile(const QString &)
{
    return nullptr;
}

std::error_code Platform::nameUnnamedFile(const QFile &, const QString &)
{
    return std::make_error_code(std::errc::function_not_supported);
}

QString Platform::unnamedFilePath(const QFile &)
{
    return {};
}

// A leading dot hides nothing on Windows: the attribute does. The lock is the
// way Qt opens a file there, without sharing deletion, so nobody can remove
// it while its writer has it open.
void Platform::markTaken(QFile &file)
{
    ::SetFileAttributesW(nativePath(file.fileName()).c_str(), FILE_ATTRIBUTE_HIDDEN);
}

void Platform::removeLeftovers(const QString &folder, const QString &nameFilter)
{
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-10);
    QDirIterator it(folder, { nameFilter }, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (info.isSymLink() || info.lastModified().toUTC() > settled)
            continue;
        // Refused with a sharing violation while a writer holds the file.
        ::DeleteFileW(nativePath(info.filePath()).c_str());
    }
}

void Platform::takeOverFrom(const QString &destination, const QString &replacement)
{
    const DWORD existing = ::GetFileAttributesW(nativePath(destination).c_str());
    const DWORD kept = existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY)
        ? FILE_ATTRIBUTE_NORMAL
        : existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    ::SetFileAttributesW(nativePath(replacement).c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
}

Platform::ReplaceError Platform::replace(const QString &source, const QString &destination)
{
    const std::wstring from = nativePath(source), to = nativePath(destination);
    // Windows refuses to replace a read-only file (one copied from a disc, or
    // kept so by a sync client); asking again would change nothing.
    const DWORD attributes = ::GetFileAttributesW(to.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)
        && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ReplaceError::ReadOnly;
    if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ReplaceError::None;
    const DWORD error = ::GetLastError();
    // A failed move is rare: the destination is always asked whether it can
    // be opened for deleting, which tells a passing hold from a refusal.
    const HANDLE probe
        = ::CreateFileW(to.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD probeError = probe == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    if (probe != INVALID_HANDLE_VALUE)
        ::CloseHandle(probe);
    return replaceErrorOf(error, probeError);
}
