#pragma once

#include <QHash>
#include <QSet>
#include <QString>

// The per-user store of text values under application "Seqget", section
// "STARTUP": an INI file in the format QSettings reads and writes. Values are
// text both ways; any conversion is the caller's.
//
// The file is read once, when the store is made, and only if it is a regular
// file of sensible size; anything else (a FIFO, a device, a link to one, a
// directory, a huge file) reads as empty. Of a regular file every line that
// can be read counts: a line that is not UTF-8 is read in the legacy Japanese
// encoding (CP932, as a Japanese text editor saves it), and only a line that
// is neither, or holds a NUL byte, is dropped, so that its key falls back to
// the caller's default.
//
// Reading never writes. A file that was not read cleanly is kept beside
// itself as a backup before the first sync() replaces it: under its name plus
// ".bak", or ".bak.1", ".bak.2" and so on when older backups are there, which
// are never overwritten.
class SettingsStore final
{
public:
    // An INI file, or (Windows) a key of the registry, whose values are read
    // and written by the same rules; a damaged registry value reads as absent.
    enum class Format { IniFile, Registry };

    // The user's store, where the platform keeps it (Platform::userSettingsPlace).
    SettingsStore();
    // An INI file at the given path (tests, portable use), or a registry key.
    explicit SettingsStore(const QString &location, Format format = Format::IniFile);
    ~SettingsStore();

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // The stored or written text, or defaultValue when the key is absent or
    // its value is not text (a value the format's own syntax turns into
    // something else, such as "@Rect(...)").
    QString read(const QString &key, const QString &defaultValue) const;
    // Takes the text at once for read(); the file gets it at the next sync().
    void write(const QString &key, const QString &text);
    // Writes what write() was given to the file. A store that was not read
    // cleanly first keeps the old file as a backup and then writes every key
    // it read or was given; when no backup can be made, nothing is written.
    void sync();

private:
    void load();
    void loadRegistry();
    // Before a file is written: a damaged one is kept as a backup first, and
    // then every key goes into the new one. False when no backup can be made.
    bool prepareFile();

    QString m_path;
    Format m_format = Format::IniFile;
    QHash<QString, QString> m_values;
    QSet<QString> m_written;
    bool m_damaged = false;
};
