#include "settings/SettingsStore.h"

#include "job/JobBox.h"
#include "platform/FileReplace.h"
#include "platform/SettingsPlace.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>
#include <QTemporaryFile>
#include <optional>

namespace {

const QString section = QStringLiteral("STARTUP");

// The largest file the program could write itself: eighteen values of at most
// maxJobTextLength UTF-16 code units (the proxy prompts and the folder path
// hold far less), none taking more than six bytes a unit in the file (UTF-8
// takes three, QSettings' escapes of control characters four), with room for
// the key names. A bigger file is not one the program wrote.
constexpr qint64 maxFileSize = 18 * (qint64(maxJobTextLength) * 6 + 64) + 4096;

enum class FileKind { Absent, Plain, Other };

// What is at path, judged without opening it: opening a FIFO waits for a
// writer, and a device such as /dev/zero never ends.
FileKind kindOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return FileKind::Absent;
    // isFile() looks through a link, so a link to a regular file is one.
    return info.isFile() && info.size() <= maxFileSize ? FileKind::Plain : FileKind::Other;
}

// Whether a line is a section header, a key or a comment: QSettings passes
// over anything else without a word, which is not reading it, though.
bool isIniLine(const QByteArray &line)
{
    QByteArray trimmed = line.trimmed();
    if (trimmed.startsWith("\xef\xbb\xbf"))
        trimmed.remove(0, 3);
    return trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('[')
        || trimmed.contains('=');
}

// The file's lines as UTF-8, for QSettings to parse. A line that is not UTF-8
// is decoded as CP932; one that is neither, or holds a NUL byte, is left out.
// clean tells whether every line could be read as it stood.
QByteArray readableLines(const QByteArray &bytes, bool &clean)
{
    QByteArray lines;
    clean = true;
    for (const QByteArray &line : bytes.split('\n')) {
        if (line.contains('\0')) {
            clean = false;
            continue;
        }
        QStringDecoder utf8(QStringDecoder::Utf8);
        // The conversion is what runs the decoder.
        const QString text = utf8.decode(line);
        if (!utf8.hasError()) {
            clean = clean && isIniLine(line);
            lines += line + '\n';
            continue;
        }
        clean = false;
        // The whole line is decoded before QSettings sees it: the second byte
        // of a CP932 character may be a backslash, which QSettings would take
        // as an escape.
        if (const std::optional<QString> legacyText = Platform::fromCp932(line))
            lines += legacyText->toUtf8() + '\n';
    }
    return lines;
}

// A value as text: a hand-written value with commas outside quotes comes back
// from QSettings as a list, whose parts joined by commas are the closest text
// (Qt has dropped the blanks around them); "@ByteArray(...)" and
// "@Variant(...)" of a number still read as text; "@Rect(...)" and the like
// do not.
std::optional<QString> asText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(u',');
    if (value.typeId() != QMetaType::QString && !value.canConvert<QString>())
        return std::nullopt;
    return value.toString();
}

// Moves whatever is at path (a file, a FIFO, a link) to the first backup name
// beside it that is free. True when path is free afterwards.
bool keepAsBackup(const QString &path)
{
    if (kindOf(path) == FileKind::Absent)
        return true;
    QString backup = path + QStringLiteral(".bak");
    for (int n = 1; kindOf(backup) != FileKind::Absent; ++n)
        backup = path + QStringLiteral(".bak.") + QString::number(n);
    return Platform::replace(path, backup) == Platform::ReplaceError::None;
}

} // namespace

SettingsStore::SettingsStore()
    : SettingsStore(Platform::userSettingsPlace().location,
                    Platform::userSettingsPlace().registry ? Format::Registry : Format::IniFile)
{
}

SettingsStore::SettingsStore(const QString &location, Format format)
    : m_path(location)
    , m_format(format)
{
    if (m_format == Format::Registry)
        loadRegistry();
    else
        load();
}

void SettingsStore::loadRegistry()
{
    QSettings registry(m_path, QSettings::NativeFormat);
    registry.beginGroup(section);
    for (const QString &key : registry.childKeys()) {
        if (const std::optional<QString> text = asText(registry.value(key)))
            m_values.insert(key, *text);
    }
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::load()
{
    switch (kindOf(m_path)) {
    case FileKind::Absent:
        return;
    case FileKind::Other:
        m_damaged = true;
        return;
    case FileKind::Plain:
        break;
    }
    // Read no more than the limit, even if the file has grown meanwhile; and
    // ask for no more than the file holds, as read() reserves all it is asked.
    QFile file(m_path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly)
        ? file.read(qMin(file.size(), maxFileSize) + 1)
        : QByteArray();
    bool clean = false;
    const QByteArray lines
        = bytes.size() > maxFileSize ? QByteArray() : readableLines(bytes, clean);
    QTemporaryFile copy;
    if (!copy.open() || copy.write(lines) != lines.size() || !copy.flush()) {
        m_damaged = true;
        return;
    }
    QSettings parsed(copy.fileName(), QSettings::IniFormat);
    // An unclosed section header is such an error; QSettings still reads
    // the keys after it into the section named by the rest of its line.
    m_damaged
        = !clean || file.error() != QFileDevice::NoError || parsed.status() != QSettings::NoError;
    parsed.beginGroup(section);
    for (const QString &key : parsed.childKeys()) {
        if (const std::optional<QString> text = asText(parsed.value(key)))
            m_values.insert(key, *text);
    }
}

QString SettingsStore::read(const QString &key, const QString &defaultValue) const
{
    return m_values.value(key, defaultValue);
}

void SettingsStore::write(const QString &key, const QString &text)
{
    m_values.insert(key, text);
    m_written.insert(key);
}

void SettingsStore::sync()
{
    if (m_format == Format::IniFile && !prepareFile())
        return;
    if (m_written.isEmpty())
        return;
    QSettings settings(
        m_path, m_format == Format::Registry ? QSettings::NativeFormat : QSettings::IniFormat);
    settings.beginGroup(section);
    for (const QString &key : std::as_const(m_written))
        settings.setValue(key, m_values.value(key));
    settings.endGroup();
    settings.sync();
    m_written.clear();
}

bool SettingsStore::prepareFile()
{
    // The file may have been swapped since it was read: only a plain file is
    // written over in place.
    if (kindOf(m_path) == FileKind::Other)
        m_damaged = true;
    if (!m_damaged)
        return true;
    if (!keepAsBackup(m_path))
        return false;
    m_damaged = false;
    for (auto it = m_values.cbegin(); it != m_values.cend(); ++it)
        m_written.insert(it.key());
    return true;
}
