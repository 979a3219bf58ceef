#include "disk/VolumeList.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

#ifdef Q_OS_WIN
constexpr bool onWindows = true;
#else
constexpr bool onWindows = false;
#endif

// Each mount as "root|type|label", and "|ro" for a read-only one.
VolumeList listFrom(const QStringList &mounts)
{
    QList<Mount> list;
    for (const QString &mount : mounts) {
        const QStringList parts = mount.split(u'|');
        list.append({ parts.value(0), parts.value(1), {}, parts.value(2), mount.endsWith(u"|ro") });
    }
    return VolumeList(list, onWindows ? PathStyle::Windows : PathStyle::Unix);
}


} // namespace

// Which mounts the drive list offers and which volume holds a folder.
class TestVolumeList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseMountInfo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("mounts"); // root|type|device|ro or rw
        const auto row = [](const char *name, const QStringList &mounts, const QByteArray &text) {
            QTest::newRow(name) << text << mounts;
        };
        row("no optional field", { "/proc|proc|proc|rw" },
            "601 560 0:56 / /proc rw,nosuid,relatime - proc proc rw");
        // Read-only as mounted, though the file system itself is writable.
        row("read-only bind mount of a subfolder", { "/mnt/parent|ext3|/dev/root|ro" },
            "36 35 98:0 /mnt1 /mnt/parent ro,noatime master:1 shared:2 - ext3 /dev/root rw");
        row("space, tab, backslash, a space at the end", { "/media/A B\tb\\c |vfat|/dev/s x|rw" },
            "412 29 8:17 / /media/A\\040B\\011b\\134c\\040 rw shared:9 - vfat /dev/s\\040x rw");
        row("malformed lines skipped, order kept", { "/|ext4|/dev/sda1|rw", "/tmp|tmpfs|tmpfs|rw" },
            "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n\ngarbage\n"
            "23 22 8:2 / /mnt/x rw shared:2 - ext4\n"
            "24 22 8:3 / - ext4 /dev/sda3 rw\n"
            "25 22 8:4 / /mnt/y rw shared:3 ext4 /dev/sda4 rw\n"
            "26 22 0:40 / /tmp rw,nosuid shared:4 - tmpfs tmpfs rw\n");
    }

    void parseMountInfo()
    {
        QFETCH(QByteArray, text);
        QStringList parsed;
        for (const Mount &m : VolumeList::parseMountInfo(text))
            parsed.append(m.root + u'|' + m.fsType + u'|' + m.device + u'|'
                          + (m.readOnly ? u"ro"_s : u"rw"_s));
        QTEST(parsed, "mounts");
    }

    // The system's own list; on Linux the kernel's table parses line for
    // line, and "/" leads the list made from it.
    void systemList()
    {
        // The folder the test runs in is on a volume the list offers (on
        // Windows, its drive letter).
        QVERIFY(!VolumeList::fromSystem().driveOf(QDir::currentPath()).isEmpty());
        QFile file(u"/proc/self/mountinfo"_s);
        if (onWindows || !file.open(QIODevice::ReadOnly))
            return;
        const QByteArray text = file.readAll();
        QCOMPARE(VolumeList::parseMountInfo(text).size(), text.count('\n'));
        QCOMPARE(VolumeList::fromSystem().volumes().value(0).root, u"/"_s);
    }

    void volumes_data()
    {
        QTest::addColumn<QStringList>("mounts"); // root|type|label|ro, in mount order
        QTest::addColumn<QStringList>("shown");
        const auto row = [](const char *name, const QStringList &mounts, const QStringList &shown) {
            QTest::newRow(name) << mounts << shown;
        };
        if (onWindows) {
            // Drive letters and a volume mounted on a folder of C:, shown as
            // Windows writes paths.
            row("drive letters first, then by path, labels in brackets",
                { "D:/|NTFS|Data", "Z:/|unix|", "C:/|NTFS|", "C:/Mount/Stick|FAT32|STICK" },
                { "C:\\", "C:\\Mount\\Stick (STICK)", "D:\\ (Data)", "Z:\\" });
            return;
        }
        // The system's own places and types are no place for downloads; a
        // mount under /media or /run/media is a user's stick, and a
        // read-only one is offered unless it is a tmpfs.
        row("system places", { "/run/media|ext4", "/run/mediadisk|ext4", "/sys/fs/x|ext4" }, {});
        row("sticks, and /devel, which is not /dev",
            { "/media/ann/STICK|vfat", "/run/media/ann/STICK|exfat", "/devel|xfs" },
            { "/devel", "/media/ann/STICK", "/run/media/ann/STICK" });
        row("system types", { "/mnt/merged|overlay", "/tmp|tmpfs", "/var/tmp|tmpfs" }, {});
        row("/ even as a container's read-only overlay, an own tmpfs below /tmp",
            { "/|overlay||ro", "/tmp/ram|tmpfs" }, { "/", "/tmp/ram" });
        row("read-only", { "/mnt/ram|tmpfs||ro", "/media/cdrom|iso9660||ro" }, { "/media/cdrom" });
        row("/ first, then by path as a person reads",
            { "/mnt/b|ext4", "/media/Zip|vfat", "/|ext4", "/media/apple|vfat", "/proc|proc" },
            { "/", "/media/apple", "/media/Zip", "/mnt/b" });
        row("label in brackets, blank label none", { "/media/s|vfat| My Stick ", "/mnt/b|ext4|  " },
            { "/media/s (My Stick)", "/mnt/b" });
        row("mounted twice: the later label", { "/mnt/a|ext4|OLD", "/mnt/a|ext4|NEW" },
            { "/mnt/a (NEW)" });
        row("mounted twice: a system mount hides the disk",
            { "/mnt/a|ext4|DISK", "/mnt/a/|squashfs" }, {});
        row("mounted twice: the share over its autofs trigger",
            { "/mnt/net|autofs", "/mnt/net|nfs4" }, { "/mnt/net" });
    }

    void volumes()
    {
        QFETCH(QStringList, mounts);
        QStringList shown;
        const VolumeList list = listFrom(mounts);
        for (const VolumeList::Volume &volume : list.volumes())
            shown.append(volume.displayName);
        QTEST(shown, "shown");
    }

    // "/", a stick under /media with its label, a folder mounted inside it,
    // and /home; on Windows C:, a stick mounted on a folder of it, and D:,
    // whose letters and names ignore case.
    void driveOfAndRootOf_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("drive"); // the volume that holds the path text
        QTest::addColumn<QString>("root"); // the volume the drive box text names
        const auto row = [](const char *name, const char *text, const char *drive,
                            const char *root) { QTest::newRow(name) << text << drive << root; };
        if (onWindows) {
            row("a folder on C:, any case, either slash", "c:\\Users\\ann", "C:/", "");
            row("the drive as the box shows it", "D:\\ (Data)", "D:/", "D:/");
            row("a drive letter alone, lower case", "d:", "D:/", "D:/");
            row("the mounted folder wins over C:", "C:/mount/STICK/x", "C:/Mount/Stick", "");
            row("whole names: C:/Mount/Sticks is on C:", "C:/Mount/Sticks", "C:/", "");
            row("a drive that is not there", "Y:/x", "", "");
            row("a network path", "\\\\server\\share\\x", "", "");
            return;
        }
        row("on /", "/etc/x", "/", "");
        row("the mount point, with a slash", "/media/a/", "/media/a", "/media/a");
        row("the name shown", "/media/a (STICK)", "/", "/media/a");
        row("deepest mount wins", "/media/a/b/c", "/media/a/b", "");
        row("whole names: /media/a/bc is not on /media/a/b", "/media/a/bc", "/media/a", "");
        row("dot-dot resolved first", "/media/a/../ab", "/", "");
        row("a folder above a volume", "/media", "/", "");
        row("case counts", "/MEDIA/A", "/", "");
        row("relative path", "media/a", "", "");
    }

    void driveOfAndRootOf()
    {
        QFETCH(QString, text);
        const VolumeList list
            = listFrom(onWindows ? QStringList { u"C:/|NTFS|"_s, u"C:/Mount/Stick|FAT32|STICK"_s,
                                                 u"D:/|NTFS|Data"_s }
                                 : QStringList { u"/|ext4"_s, u"/media/a|vfat|STICK"_s,
                                                 u"/media/a/b|ext4"_s, u"/home|ext4"_s });
        QTEST(list.driveOf(text), "drive");
        QTEST(list.rootOf(text), "root");
    }
};

QTEST_GUILESS_MAIN(TestVolumeList)
#include "TestVolumeList.moc"
