#include "core/VolumeList.h"

#include <QFile>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// "root|type|label", and "|ro" for a read-only mount.
VolumeList::Mount mountFrom(const QString &text)
{
    const QStringList parts = text.split(u'|');
    VolumeList::Mount mount;
    mount.root = parts.value(0);
    mount.fsType = parts.value(1);
    mount.label = parts.value(2);
    mount.readOnly = parts.value(3) == u"ro";
    return mount;
}

QStringList shownNames(const VolumeList &list)
{
    QStringList names;
    for (const VolumeList::Volume &volume : list.volumes())
        names.append(volume.displayName);
    return names;
}

// "/", a stick under /media with its label, and a folder mounted inside it.
VolumeList sampleList()
{
    return VolumeList({ mountFrom(u"/|ext4"_s), mountFrom(u"/media/a|vfat|STICK"_s),
                        mountFrom(u"/media/a/b|ext4"_s), mountFrom(u"/home|ext4"_s) });
}

} // namespace

// Which mounts the drive list offers and which volume holds a folder.
class TestVolumeList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
#ifdef Q_OS_WIN
        QSKIP("the mount rules are those of Unix");
#endif
    }

    void parseMountInfo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("mounts"); // root|type|device|ro or rw
        QTest::newRow("root with an optional field")
            << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n"_ba
            << QStringList { u"/|ext4|/dev/sda1|rw"_s };
        QTest::newRow("no optional field")
            << "601 560 0:56 / /proc rw,nosuid,nodev,noexec,relatime - proc proc rw"_ba
            << QStringList { u"/proc|proc|proc|rw"_s };
        QTest::newRow("two optional fields, bind mount of a subfolder")
            << "36 35 98:0 /mnt1 /mnt/parent rw,noatime master:1 shared:2 - ext3 /dev/root rw"_ba
            << QStringList { u"/mnt/parent|ext3|/dev/root|rw"_s };
        QTest::newRow("space in a stick's name")
            << "412 29 8:17 / /media/ann/My\\040Stick rw,nosuid shared:230 - vfat /dev/sdb1 rw"_ba
            << QStringList { u"/media/ann/My Stick|vfat|/dev/sdb1|rw"_s };
        QTest::newRow("tab, backslash and a space at the end")
            << "50 22 8:3 / /mnt/a\\011b\\134c\\040 rw - ext4 /dev/sd\\040x rw"_ba
            << QStringList { u"/mnt/a\tb\\c |ext4|/dev/sd x|rw"_s };
        QTest::newRow("read-only mount of a writable file system")
            << "45 22 8:2 / /mnt/backup ro,relatime shared:30 - ext4 /dev/sda2 rw"_ba
            << QStringList { u"/mnt/backup|ext4|/dev/sda2|ro"_s };
        QTest::newRow("malformed lines skipped, order kept")
            << "22 1 8:1 / / rw shared:1 - ext4 /dev/sda1 rw\n"
               "\n"
               "garbage\n"
               "23 22 8:2 / /mnt/x rw shared:2 - ext4\n"
               "24 22 8:3 / - ext4 /dev/sda3 rw\n"
               "25 22 8:4 / /mnt/y rw shared:3 ext4 /dev/sda4 rw\n"
               "26 22 0:40 / /tmp rw,nosuid shared:4 - tmpfs tmpfs rw\n"_ba
            << QStringList { u"/|ext4|/dev/sda1|rw"_s, u"/tmp|tmpfs|tmpfs|rw"_s };
    }

    void parseMountInfo()
    {
        QFETCH(QByteArray, text);
        QStringList parsed;
        for (const VolumeList::Mount &m : VolumeList::parseMountInfo(text)) {
            parsed.append(m.root + u'|' + m.fsType + u'|' + m.device + u'|'
                          + (m.readOnly ? u"ro"_s : u"rw"_s));
        }
        QTEST(parsed, "mounts");
    }

    // The kernel's own table parses line for line and holds "/".
    void parseRealMountInfo()
    {
        QFile file(u"/proc/self/mountinfo"_s);
        if (!file.open(QIODevice::ReadOnly))
            QSKIP("no /proc/self/mountinfo here");
        const QByteArray text = file.readAll();
        const QList<VolumeList::Mount> mounts = VolumeList::parseMountInfo(text);
        QCOMPARE(mounts.size(), text.count('\n'));
        QVERIFY(std::any_of(mounts.cbegin(), mounts.cend(),
                            [](const VolumeList::Mount &m) { return m.root == u"/"; }));
    }

    void isChoosable_data()
    {
        QTest::addColumn<QString>("mount"); // root|type||ro
        QTest::addColumn<bool>("choosable");
        QTest::newRow("/ even as a container's read-only overlay") << "/|overlay||ro" << true;
        QTest::newRow("ext4 under /mnt") << "/mnt/data|ext4" << true;
        QTest::newRow("stick under /media") << "/media/ann/STICK|vfat" << true;
        QTest::newRow("stick under /run/media") << "/run/media/ann/STICK|exfat" << true;
        QTest::newRow("/run/media itself") << "/run/media|ext4" << false;
        QTest::newRow("beside /run/media is /run") << "/run/mediadisk|ext4" << false;
        QTest::newRow("user runtime folder") << "/run/user/1000|tmpfs" << false;
        QTest::newRow("/proc") << "/proc|proc" << false;
        QTest::newRow("below /sys, any type") << "/sys/fs/x|ext4" << false;
        QTest::newRow("/dev/shm") << "/dev/shm|tmpfs" << false;
        QTest::newRow("/var/lock") << "/var/lock|tmpfs" << false;
        QTest::newRow("snap image") << "/snap/core22/1380|squashfs||ro" << false;
        QTest::newRow("/snapshots is not /snap") << "/snapshots|btrfs" << true;
        QTest::newRow("/devel is not /dev") << "/devel|xfs" << true;
        QTest::newRow("overlay under /mnt") << "/mnt/merged|overlay" << false;
        QTest::newRow("autofs trigger") << "/mnt/net|autofs" << false;
        QTest::newRow("old gvfs place in home") << "/home/ann/.gvfs|fuse.gvfsd-fuse" << false;
        QTest::newRow("nfs share") << "/mnt/net|nfs4" << true;
        QTest::newRow("/tmp tmpfs") << "/tmp|tmpfs" << false;
        QTest::newRow("/var/tmp tmpfs") << "/var/tmp|tmpfs" << false;
        QTest::newRow("own tmpfs below /tmp") << "/tmp/ram|tmpfs" << true;
        QTest::newRow("own tmpfs under /mnt") << "/mnt/ram|tmpfs" << true;
        QTest::newRow("read-only tmpfs") << "/mnt/ram|tmpfs||ro" << false;
        QTest::newRow("read-only ramfs") << "/home/ann/ram|ramfs||ro" << false;
        QTest::newRow("read-only disc") << "/media/cdrom|iso9660||ro" << true;
    }

    void isChoosable()
    {
        QFETCH(QString, mount);
        QTEST(VolumeList::isChoosable(mountFrom(mount)), "choosable");
    }

    void volumes_data()
    {
        QTest::addColumn<QStringList>("mounts"); // root|type|label|ro, in mount order
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("/ first, then by path as a person reads")
            << QStringList { u"/mnt/b|ext4"_s, u"/media/Zip|vfat"_s, u"/|ext4"_s,
                             u"/media/apple|vfat"_s, u"/home|ext4"_s }
            << QStringList { u"/"_s, u"/home"_s, u"/media/apple"_s, u"/media/Zip"_s, u"/mnt/b"_s };
        QTest::newRow("label in brackets, blank label none")
            << QStringList { u"/media/s|vfat| My Stick "_s, u"/mnt/b|ext4|  "_s }
            << QStringList { u"/media/s (My Stick)"_s, u"/mnt/b"_s };
        QTest::newRow("mounted twice: the later label")
            << QStringList { u"/mnt/a|ext4|OLD"_s, u"/mnt/a|ext4|NEW"_s }
            << QStringList { u"/mnt/a (NEW)"_s };
        QTest::newRow("mounted twice: a system mount hides the disk")
            << QStringList { u"/mnt/a|ext4|DISK"_s, u"/mnt/a/|squashfs"_s } << QStringList {};
        QTest::newRow("mounted twice: the share over its autofs trigger")
            << QStringList { u"/mnt/net|autofs"_s, u"/mnt/net|nfs4"_s }
            << QStringList { u"/mnt/net"_s };
        QTest::newRow("system mounts left out")
            << QStringList { u"/|ext4"_s, u"/proc|proc"_s, u"/tmp|tmpfs"_s }
            << QStringList { u"/"_s };
    }

    void volumes()
    {
        QFETCH(QStringList, mounts);
        QList<VolumeList::Mount> list;
        for (const QString &mount : mounts)
            list.append(mountFrom(mount));
        QTEST(shownNames(VolumeList(list)), "shown");
    }

    void driveOf_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("root");
        QTest::newRow("on /") << "/etc/x"
                              << "/";
        QTest::newRow("the mount point itself") << "/media/a"
                                                << "/media/a";
        QTest::newRow("trailing slash") << "/media/a/"
                                        << "/media/a";
        QTest::newRow("deepest mount wins") << "/media/a/b/c"
                                            << "/media/a/b";
        QTest::newRow("/media/ab is not on /media/a") << "/media/ab/x"
                                                      << "/";
        QTest::newRow("/media/a/bc is not on /media/a/b") << "/media/a/bc"
                                                          << "/media/a";
        QTest::newRow("dot-dot resolved first") << "/media/a/../ab"
                                                << "/";
        QTest::newRow("relative path") << "media/a"
                                       << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void driveOf()
    {
        QFETCH(QString, path);
        QTEST(sampleList().driveOf(path), "root");
    }

    void rootOf_data()
    {
        QTest::addColumn<QString>("drive");
        QTest::addColumn<QString>("root");
        QTest::newRow("by the name shown") << "/media/a (STICK)"
                                           << "/media/a";
        QTest::newRow("by the root") << "/media/a"
                                     << "/media/a";
        QTest::newRow("by the root with a slash") << "/media/a/"
                                                  << "/media/a";
        QTest::newRow("a folder above a volume") << "/media"
                                                 << "";
        QTest::newRow("a folder inside a volume") << "/media/a/x"
                                                  << "";
        QTest::newRow("case counts") << "/MEDIA/A"
                                     << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void rootOf()
    {
        QFETCH(QString, drive);
        QTEST(sampleList().rootOf(drive), "root");
    }
};

QTEST_GUILESS_MAIN(TestVolumeList)
#include "TestVolumeList.moc"
