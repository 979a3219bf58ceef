#include "disk/FileSaver.h"

#include "platform/FileReplace.h"

#include <QFileInfo>
#include <QRandomGenerator>

namespace {

const QString temporaryPrefix = QStringLiteral(".seqget-");
const QString temporarySuffix = QStringLiteral(".part");

// A hidden name, so that a half-received file is never taken for a finished
// one and shows up in no ordinary listing.
QString temporaryName()
{
    return temporaryPrefix
        + QString::number(QRandomGenerator::global()->generate64(), 16).rightJustified(16, u'0')
        + temporarySuffix;
}

// Opens a new file under a fresh name in folder; NewOnly fails rather than
// follow anything already there, a symlink included. Unbuffered: the body
// comes in pieces of up to half a megabyte, which QFile's buffer would cut
// into 16 KiB writes.
std::unique_ptr<QFile> createNamed(const QString &folder)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        auto file = std::make_unique<QFile>(folder + QLatin1Char('/') + temporaryName());
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            Platform::markTaken(*file);
            return file;
        }
        // Only a name taken already is worth another try.
        if (!QFileInfo(file->fileName()).isSymLink() && !QFileInfo::exists(file->fileName()))
            break;
    }
    return nullptr;
}

} // namespace

FileSaver::FileSaver(Temporaries kind)
    : m_kind(kind)
{
}

FileSaver::~FileSaver()
{
    discard();
}

bool FileSaver::begin(const QString &folder, const QString &fallbackFolder)
{
    discard();
    // An empty folder would put the file at the root of the file system.
    if (!folder.isEmpty()) {
        if (folder != m_swept) {
            Platform::removeLeftovers(folder, temporaryPrefix + u'*' + temporarySuffix);
            m_swept = folder;
        }
        create(folder);
    }
    if (!m_file && !fallbackFolder.isEmpty())
        create(fallbackFolder);
    return m_file != nullptr;
}

void FileSaver::create(const QString &folder)
{
    if (m_kind == Temporaries::Unnamed)
        m_file = Platform::createUnnamedFile(folder);
    m_unnamed = m_file != nullptr;
    // File systems without unnamed files (network ones, for a start).
    if (!m_file)
        m_file = createNamed(folder);
}

void FileSaver::startSeries()
{
    m_swept.clear();
}

QIODevice *FileSaver::device()
{
    return m_file.get();
}

void FileSaver::dropFile()
{
    if (!m_file)
        return;
    m_file->close();
    // After a rename the name is gone already; an unnamed file has none.
    if (!m_unnamed)
        QFile::remove(m_file->fileName());
    m_file.reset();
}

void FileSaver::discard()
{
    dropFile();
    if (!m_held.isEmpty())
        QFile::remove(std::exchange(m_held, {}));
}

FileSaver::Saved FileSaver::commit(const QString &destination, bool ok)
{
    Step step = Step::Failed;
    if (!m_held.isEmpty()) {
        const QString held = std::exchange(m_held, {});
        step = moveInto(held, destination);
        // Moved away already, or given up.
        if (m_held != held)
            QFile::remove(held);
    } else if (m_file) {
        // A buffered write that did not fit on the disk shows up only here.
        const bool written = m_file->flush() && m_file->pos() > 0;
        if (ok && written && m_unnamed) {
            step = linkInto(destination);
        } else if (ok && written) {
            // Windows refuses to rename a file that is still open.
            m_file->close();
            step = moveInto(m_file->fileName(), destination);
        }
    }
    if (step == Step::Held) {
        // The waiting body keeps its name; the file it came from goes.
        if (m_file && m_file->fileName() == m_held)
            m_file.reset();
        dropFile();
        return Saved::Held;
    }
    discard();
    if (step == Step::Moved)
        return Saved::Yes;
    // Only a missing file is created; NewOnly does not follow a dangling
    // symlink, and an existing file stays byte for byte as it was.
    QFile empty(destination);
    if (empty.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        empty.close();
    return Saved::No;
}

FileSaver::Step FileSaver::linkInto(const QString &destination)
{
    // A free name takes the body at once, whole.
    const std::error_code named = Platform::nameUnnamedFile(*m_file, destination);
    if (!named)
        return Step::Moved;
    if (named == std::errc::cross_device_link)
        return copyAcross(Platform::unnamedFilePath(*m_file), destination);
    if (named != std::errc::file_exists)
        return Step::Failed;
    // Something stands there already: a file to replace, or a symlink that
    // must be replaced rather than written through. The body gets a
    // temporary name beside it first, and is renamed over it.
    const QString folder = QFileInfo(destination).absolutePath();
    for (int attempt = 0; attempt < 8; ++attempt) {
        const QString temporary = folder + QLatin1Char('/') + temporaryName();
        const std::error_code linked = Platform::nameUnnamedFile(*m_file, temporary);
        if (!linked) {
            const Step step = moveInto(temporary, destination);
            if (step == Step::Failed)
                QFile::remove(temporary);
            return step;
        }
        if (linked != std::errc::file_exists)
            return Step::Failed;
    }
    return Step::Failed;
}

FileSaver::Step FileSaver::moveInto(const QString &temporary, const QString &destination)
{
    Platform::takeOverFrom(destination, temporary);
    switch (Platform::replace(temporary, destination)) {
    case Platform::ReplaceError::None:
        return Step::Moved;
    case Platform::ReplaceError::Held:
        m_held = temporary;
        return Step::Held;
    case Platform::ReplaceError::OtherVolume:
        return copyAcross(temporary, destination);
    case Platform::ReplaceError::ReadOnly:
    case Platform::ReplaceError::Failed:
        break;
    }
    return Step::Failed;
}

FileSaver::Step FileSaver::copyAcross(const QString &source, const QString &destination)
{
    // The destination's folder may have moved to another volume while the body
    // arrived (the user picked another base directory): bring the body over
    // into a temporary file there, then rename as usual.
    auto target = createNamed(QFileInfo(destination).absolutePath());
    if (!target)
        return Step::Failed;
    QFile in(source);
    bool copied = in.open(QIODevice::ReadOnly);
    QByteArray block;
    while (copied && !in.atEnd()) {
        block = in.read(1 << 20);
        copied = !block.isEmpty() && target->write(block) == block.size();
    }
    copied = copied && target->flush();
    target->close();
    const Step step = copied ? moveInto(target->fileName(), destination) : Step::Failed;
    if (step == Step::Failed)
        QFile::remove(target->fileName());
    return step;
}
