#include "core/SaverPlatform.h"

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

namespace SaverPlatform {

// A leading dot hides nothing on Windows: the attribute does. The lock is the
// way Qt opens a file there, without sharing deletion, so nobody can remove
// it while its writer has it open.
void markTaken(QFile &file)
{
    ::SetFileAttributesW(nativePath(file.fileName()).c_str(), FILE_ATTRIBUTE_HIDDEN);
}

void removeLeftovers(const QString &folder, const QString &nameFilter)
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

void takeOverFrom(const QString &destination, const QString &replacement)
{
    const DWORD existing = ::GetFileAttributesW(nativePath(destination).c_str());
    const DWORD kept = existing == INVALID_FILE_ATTRIBUTES || (existing & FILE_ATTRIBUTE_DIRECTORY)
        ? FILE_ATTRIBUTE_NORMAL
        : existing & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    ::SetFileAttributesW(nativePath(replacement).c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
}

std::error_code replace(const QString &source, const QString &destination)
{
    if (::MoveFileExW(nativePath(source).c_str(), nativePath(destination).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    // The saver copies across volumes itself, into a temporary file first.
    const DWORD error = ::GetLastError();
    if (error == ERROR_NOT_SAME_DEVICE)
        return std::make_error_code(std::errc::cross_device_link);
    return std::error_code(int(error), std::system_category());
}

} // namespace SaverPlatform
