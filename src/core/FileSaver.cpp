#include "FileSaver.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path nativePath(const QString &path)
{
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// A hidden name, so that a half-received file is never taken for a finished
// one and shows up in no ordinary listing.
QString temporaryName()
{
    return QStringLiteral(".seqget-%1.part")
        .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0'));
}

// Opens a new file under a fresh name in folder; NewOnly fails rather than
// follow anything already there, a symlink included.
std::unique_ptr<QFile> createTemporary(const QString &folder)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto file = std::make_unique<QFile>(folder + QLatin1Char('/') + temporaryName());
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file;
        // Only a name taken already is worth another try.
        if (!QFileInfo(file->fileName()).isSymLink() && !QFileInfo::exists(file->fileName()))
            break;
    }
    return nullptr;
}

void removeQuietly(QFile &file)
{
    file.close();
    QFile::remove(file.fileName());
}

} // namespace

FileSaver::FileSaver() = default;

FileSaver::~FileSaver()
{
    discard();
}

bool FileSaver::begin(const QString &folder)
{
    discard();
    m_file = createTemporary(folder);
    return m_file != nullptr;
}

QIODevice *FileSaver::device()
{
    return m_file.get();
}

void FileSaver::discard()
{
    if (m_file) {
        removeQuietly(*m_file);
        m_file.reset();
    }
}

bool FileSaver::commit(const QString &destination, bool ok)
{
    bool saved = false;
    if (m_file) {
        // A buffered write that did not fit on the disk shows up only here.
        const bool written = m_file->flush() && m_file->pos() > 0;
        m_file->close();
        if (ok && written) {
            const std::error_code error = replaceFrom(m_file->fileName(), destination);
            saved = !error || (error == std::errc::cross_device_link && copyAcross(destination));
        }
        if (!saved)
            QFile::remove(m_file->fileName());
        m_file.reset();
    }
    if (!saved) {
        // Only a missing file is created; NewOnly does not follow a dangling
        // symlink, and an existing file stays byte for byte as it was.
        QFile empty(destination);
        if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            empty.close();
    }
    return saved;
}

std::error_code FileSaver::replaceFrom(const QString &source, const QString &destination)
{
    // rename() replaces a symlink at the destination instead of writing through
    // it, and readers see either the old file or the whole new one.
    std::error_code error;
    std::filesystem::rename(nativePath(source), nativePath(destination), error);
    return error;
}

bool FileSaver::copyAcross(const QString &destination)
{
    // The destination's folder may have moved to another volume while the body
    // arrived (the user picked another base directory): bring the body over
    // into a temporary file there, then rename as usual.
    const QString source = m_file->fileName();
    auto target = createTemporary(QFileInfo(destination).absolutePath());
    if (!target)
        return false;
    QFile in(source);
    bool copied = in.open(QIODevice::ReadOnly);
    QByteArray block;
    while (copied && !in.atEnd()) {
        block = in.read(1 << 20);
        copied = !block.isEmpty() && target->write(block) == block.size();
    }
    copied = copied && target->flush();
    target->close();
    const bool saved = copied && !replaceFrom(target->fileName(), destination);
    if (!saved)
        QFile::remove(target->fileName());
    return saved;
}
