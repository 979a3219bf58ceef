#pragma once

#include <QString>
#include <memory>

class QSettings;

// The per-user store of text values under application "Seqget", section
// "STARTUP". Values are text both ways; any conversion is the caller's.
//
// A store whose file cannot be read, or does not hold text (a NUL byte, bytes
// that are not UTF-8, or a format error), reads as empty so that every key gives
// its default. Reading never writes: the file is left exactly as it is until
// the next write, which then replaces the damaged content with the written keys.
class SettingsStore
{
public:
    // The native per-user store: on Linux an INI file under the user's
    // configuration folder (~/.config/Seqget/Seqget.conf), on Windows the
    // registry key HKEY_CURRENT_USER\Software\Seqget\Seqget.
    SettingsStore();
    // An INI file at the given path, for tests and portable use.
    explicit SettingsStore(const QString &iniFilePath);
    virtual ~SettingsStore();

    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // The stored text, or defaultValue when the key is absent or its value is
    // not text (a value the store's own syntax turns into something else).
    virtual QString read(const QString &key, const QString &defaultValue) const;
    virtual void write(const QString &key, const QString &text);
    // Pushes the writes so far to the file or registry at once rather than
    // whenever Qt gets round to it.
    void sync();

    // Where the values live: a file path, or the registry path on Windows.
    QString location() const;
    bool isDamaged() const { return m_damaged; }

private:
    void checkReadable();

    std::unique_ptr<QSettings> m_settings;
    bool m_damaged = false;
};
