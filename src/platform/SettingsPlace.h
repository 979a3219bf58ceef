#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// Where the user's settings live on this platform, and the legacy text they
// may hold.
namespace Platform {

struct SettingsPlace
{
    // An INI file's path, or a key of the registry.
    QString location;
    bool registry = false;
};

// Linux: Seqget/Seqget.conf in the user's configuration folder
// ($XDG_CONFIG_HOME or ~/.config). Windows: the per-user registry area where
// Windows programs have always kept such settings,
// HKEY_CURRENT_USER\Software\VB and VBA Program Settings\Seqget.
SettingsPlace userSettingsPlace();

// A line in CP932, the legacy Japanese encoding a Japanese text editor saves
// in, or nothing when it is not valid CP932: bytes CP932 leaves unassigned
// are refused, not made a placeholder.
std::optional<QString> fromCp932(const QByteArray &line);

} // namespace Platform
