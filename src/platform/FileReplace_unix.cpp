#include "platform/FileReplace.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::error_code lastError()
{
    return std::error_code(errno, std::generic_category());
}

} // namespace

std::unique_ptr<QFile> Platform::createUnnamedFile(const QString &folder)
{
#ifdef O_TMPFILE
    const int fd
        = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    // Unbuffered: the body comes in pieces of up to half a megabyte, which
    // QFile's buffer would cut into 16 KiB writes.
    auto file = std::make_unique<QFile>();
    if (file->open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle))
        return file;
    ::close(fd);
#else
    Q_UNUSED(folder);
#endif
    return nullptr;
}

QString Platform::unnamedFilePath(const QFile &file)
{
    return QStringLiteral("/proc/self/fd/") + QString::number(file.handle());
}

std::error_code Platform::nameUnnamedFile(const QFile &file, const QString &path)
{
    if (::linkat(AT_FDCWD, QFile::encodeName(unnamedFilePath(file)).constData(), AT_FDCWD,
                 QFile::encodeName(path).constData(), AT_SYMLINK_FOLLOW)
        != 0)
        return lastError();
    return {};
}

// The writer holds a lock on its file for as long as it lives; the kernel
// drops the lock when the process ends, however it ends. A leading dot in
// the name already hides it.
void Platform::markTaken(QFile &file)
{
    ::flock(file.handle(), LOCK_EX | LOCK_NB);
}

void Platform::removeLeftovers(const QString &folder, const QString &nameFilter)
{
    const QDateTime settled = QDateTime::currentDateTimeUtc().addSecs(-10);
    QDirIterator it(folder, { nameFilter }, QDir::Files | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray native = QFile::encodeName(path);
        struct stat info
        {
        };
        if (::lstat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode)
            || QDateTime::fromSecsSinceEpoch(info.st_mtime, Qt::UTC) > settled)
            continue;
        const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(native.constData());
        ::close(fd);
    }
}

void Platform::takeOverFrom(const QString &destination, const QString &replacement)
{
    const QFileInfo existing(destination);
    if (existing.isFile() && !existing.isSymLink())
        QFile::setPermissions(replacement, existing.permissions());
}

// Write permission on the folder is what counts: a read-only file is
// replaced, and keeps its permissions (takeOverFrom).
Platform::ReplaceError Platform::replace(const QString &source, const QString &destination)
{
    if (::rename(QFile::encodeName(source).constData(), QFile::encodeName(destination).constData())
        == 0)
        return ReplaceError::None;
    return errno == EXDEV ? ReplaceError::OtherVolume : ReplaceError::Failed;
}
