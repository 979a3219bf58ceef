#pragma once

#include "platform/PathStyle.h"
#include "platform/Volumes.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <chrono>
#include <functional>

// The volumes a user can pick a download folder on: with Windows paths the
// drive letters, with Unix paths "/" and the real file systems mounted below
// it. Holds no widgets; the drive list and the directory list both read it.
//
// Which Unix mounts count:
// - "/" always, whatever its type (in a container it is an overlay).
// - Nothing mounted under /proc, /sys, /dev, /run (except /run/media, where
//   desktops mount removable media), /var/run, /var/lock or /snap.
// - No pseudo or system file system type (proc, sysfs, cgroup, devpts,
//   overlay, squashfs, autofs, debugfs, FUSE helpers of desktops, ...).
// - tmpfs and ramfs only when mounted read-write somewhere a user put them
//   (/mnt/x, /media/x, a folder of their own), never at /tmp or /var/tmp
//   themselves: those are the system's scratch space, reachable through "/".
//   A read-only memory file system is an empty placeholder that cannot hold a
//   download.
// - A mount point mounted twice counts once, as the later (visible) mount.
class VolumeList final
{
public:
    struct Volume
    {
        QString root; // "/" separators; ends in "/" only at "/" or "C:/"
        QString displayName; // the root as the platform writes it, and the label in brackets if any
        bool operator==(const Volume &) const = default;
    };

    explicit VolumeList(PathStyle style = Platform::pathStyle());
    // Keeps the mounts a user would choose from, "/" (or the drive letters)
    // first, then the others by mount path.
    VolumeList(const QList<Mount> &mounts, PathStyle style);

    // What the system has mounted now. Takes up to two seconds where a disk
    // sleeps or a network share hangs; such a volume is listed as the system
    // lists it, without what only the volume itself can tell.
    static VolumeList fromSystem();
    // The choosable mounts of listed, each asked with probe at the same time;
    // a probe that has not answered within limit counts as the mount listed.
    using Probe = std::function<std::optional<Mount>(const Mount &)>;
    static VolumeList probed(const QList<Mount> &listed, PathStyle style, const Probe &probe,
                             std::chrono::milliseconds limit);
    // The one volume path lies on as far as its text tells, before any volume
    // is read: "/", or its drive letter with Windows paths.
    static VolumeList holding(const QString &path, PathStyle style);
    // Parses the text of /proc/self/mountinfo; labels are left empty.
    static QList<Mount> parseMountInfo(QByteArrayView text);
    // A label as udev names its link in /dev/disk/by-label ("\xHH" for bytes
    // unsafe in a file name), as the user wrote it.
    static QString labelFromUdevName(const QString &name);
    static bool isChoosable(const Mount &mount, PathStyle style);

    const QList<Volume> &volumes() const { return m_volumes; }
    qsizetype size() const { return m_volumes.size(); }
    PathStyle style() const { return m_style; }
    // How paths on these volumes compare: case is ignored with Windows paths.
    Qt::CaseSensitivity pathCase() const;
    int indexOfRoot(const QString &root) const;

    // The root of the volume whose mount path is the longest prefix of path,
    // compared by whole components; empty when no volume holds the path.
    QString driveOf(const QString &path) const;
    // The root of the volume named by drive (its root or its display name);
    // empty when there is none.
    QString rootOf(const QString &drive) const;

private:
    QString cleanPath(const QString &path) const;

    QList<Volume> m_volumes;
    PathStyle m_style;
};
