#include "platform/FileReplace.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <windows.h>

namespace {

std::wstring nativePath(const QString &path)
{
    return QFileInfo(path).absoluteFilePath().replace(u'/', u'\\').toStdWString();
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

std::error_code Platform::replace(const QString &source, const QString &destination)
{
    const std::wstring from = nativePath(source), to = nativePath(destination);
    // A virus scanner or the search indexer opens a file just written, or the
    // one about to be replaced, for a moment and without sharing its deletion;
    // the move waits that out for up to a second.
    DWORD error = ERROR_SUCCESS;
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::MoveFileExW(from.c_str(), to.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED
            && error != ERROR_LOCK_VIOLATION)
            break;
        ::Sleep(50);
    }
    // The saver copies across volumes itself, into a temporary file first.
    if (error == ERROR_NOT_SAME_DEVICE)
        return std::make_error_code(std::errc::cross_device_link);
    return std::error_code(int(error), std::system_category());
}
