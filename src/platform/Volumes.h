#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

// One mounted file system as the platform reports it; paths use "/".
struct Mount
{
    QString root;
    QString fsType;
    QString device;
    QString label;
    bool readOnly = false;
    bool operator==(const Mount &) const = default;
};

// What the system says about its mounted volumes, as it says it. Which of
// them a user may choose is decided above, by rules tested on every platform.
namespace Platform {

// The kernel's table of mounts as it writes it (Linux's /proc/self/mountinfo);
// empty where there is none.
QByteArray mountTable();

// The devices that carry a label, each by its path with links resolved, and
// the label as the system escapes it in names (udev's "\x20" for a blank).
QHash<QString, QString> deviceLabels();

// The volumes where there is no mount table: on Windows the drive letters,
// known at once, without asking the drives.
QList<Mount> listedVolumes();

// Asks a listed volume itself what its listing could not say. May take long,
// or never return, where a disk sleeps or a network share is lost. Unix: the
// mount as listed when its root is a folder (a file bind-mounted into a
// container is none). Windows: the drive with its name, file system and
// whether it is read-only; nothing for a drive that is not ready (no medium).
std::optional<Mount> probeVolume(const Mount &listed);

} // namespace Platform
