#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

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

// The volumes where there is no mount table: on Windows the drive letters with
// their names.
QList<Mount> listedVolumes();

} // namespace Platform
