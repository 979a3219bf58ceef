#include "disk/VolumeList.h"
#include "support/Rows.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTest>
#include <thread>

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(PathStyle)

namespace {

Mount mount(const QString &root, const QString &type, const QString &label = {}, bool ro = false)
{
    return { root, type, {}, label, ro };
}

QStringList shown(const VolumeList &list)
{
    QStringList names;
    for (const VolumeList::Volume &volume : list.volumes())
        names << volume.displayName;
    return names;
}

} // namespace

// Which mounts the drive list offers, in which order, and which volume holds
// a folder, with Unix and with Windows paths alike.
class TestVolumeList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseMountInfo_data()
    {
        // clang-format off
        dataTable<QByteArray, QList<Mount>>({ "text", "mounts" });
        const auto m = [](const char *root, const char *type, const char *device, bool ro) {
            return Mount {
                QString::fromUtf8(root), QString::fromUtf8(type), QString::fromUtf8(device), {}, ro };
        };
        QTest::newRow("no optional field") << "601 560 0:56 / /proc rw,nosuid,relatime - proc proc rw"_ba << QList<Mount> { m("/proc", "proc", "proc", false) };
        // Read-only as mounted, though the file system itself is writable.
        QTest::newRow("read-only bind mount of a subfolder") << "36 35 98:0 /mnt1 /mnt/parent ro,noatime master:1 shared:2 - ext3 /dev/root rw"_ba << QList<Mount> { m("/mnt/parent", "ext3", "/dev/root", true) };
        QTest::newRow("space, tab, backslash, a space at the end; digits left alone") << "412 29 8:17 / /media/A\\0402024\\011b\\134c\\040 rw shared:9 - vfat /dev/s\\040x rw"_ba << QList<Mount> { m("/media/A 2024\tb\\c ", "vfat", "/dev/s x", false) };
        QTest::newRow("malformed lines skipped, order kept") << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw,errors=remount-ro\n\ngarbage\n23 22 8:2 / /mnt/x rw shared:2 - ext4\n24 22 8:3 / - ext4 /dev/sda3 rw\n25 22 8:4 / /mnt/y rw shared:3 ext4 /dev/sda4 rw\n26 22 0:40 / /tmp rw,nosuid shared:4 - tmpfs tmpfs rw\n"_ba << QList<Mount> { m("/", "ext4", "/dev/sda1", false), m("/tmp", "tmpfs", "tmpfs", false) };
        // clang-format on
    }

    void parseMountInfo()
    {
        QFETCH(QByteArray, text);
        QTEST(VolumeList::parseMountInfo(text), "mounts");
    }

    void udevLabels_data()
    {
        const auto row = dataTable<QString, QString>({ "name", "label" });
        row("a blank", u"USB\\x20STICK"_s, u"USB STICK"_s);
        row("a slash, then digits", u"a\\x2f2024"_s, u"a/2024"_s);
        row("no hex digits", u"a\\xZZ"_s, u"a\\xZZ"_s);
    }

    void udevLabels() { QTEST(VolumeList::labelFromUdevName(cell<QString>("name")), "label"); }

    // Every mount a user could choose is asked at the same time: one that
    // hangs is listed as the system lists it, one whose root is no folder is
    // left out, and the others carry what they said.
    void probed()
    {
        const QList<Mount> listed = { mount("/", "ext4"), mount("/mnt/slow", "nfs"),
                                      mount("/mnt/file", "ext4"), mount("/proc", "proc") };
        const auto probe = [](const Mount &asked) -> std::optional<Mount> {
            if (asked.root == u"/proc")
                qFatal("a system mount was asked");
            if (asked.root == u"/mnt/slow")
                std::this_thread::sleep_for(std::chrono::seconds(3));
            if (asked.root == u"/mnt/file")
                return std::nullopt;
            return Mount { asked.root, asked.fsType, {}, u"answered"_s, false };
        };
        QElapsedTimer took;
        took.start();
        const VolumeList list
            = VolumeList::probed(listed, PathStyle::Unix, probe, std::chrono::milliseconds(300));
        QVERIFY2(took.elapsed() < 2000, qPrintable(QString::number(took.elapsed())));
        QCOMPARE(shown(list), QStringList({ u"/ (answered)"_s, u"/mnt/slow"_s }));
    }

    void volumes_data()
    {
        // clang-format off
        // mounts: in mount order
        dataTable<PathStyle, QList<Mount>, QStringList>({ "style", "mounts", "shown" });
        const auto row = [](const char *name, const QList<Mount> &mounts, const QStringList &shown, PathStyle style = PathStyle::Unix) {
            QTest::newRow(name) << style << mounts << shown;
        };
        row("system places", { mount("/run/media", "ext4"), mount("/run/mediadisk", "ext4"), mount("/sys/fs/x", "ext4"), mount("/proc", "proc"), mount("/var/run/x", "ext4") }, {});
        row("sticks, and /devel, which is not /dev", { mount("/media/ann/STICK", "vfat"), mount("/run/media/ann/STICK", "exfat"), mount("/devel", "xfs") }, { "/devel", "/media/ann/STICK", "/run/media/ann/STICK" });
        row("system types, in any mount place", { mount("/mnt/merged", "overlay"), mount("/mnt/snap", "squashfs"), mount("/mnt/auto", "autofs") }, {});
        row("the system's scratch space", { mount("/tmp", "tmpfs"), mount("/var/tmp", "tmpfs"), mount("/var/tmp/", "ramfs") }, {});
        row("/ even as a container's read-only overlay, an own tmpfs below /tmp", { mount("/", "overlay", {}, true), mount("/tmp/ram", "tmpfs") }, { "/", "/tmp/ram" });
        row("read-only: a disc yes, a memory file system no", { mount("/mnt/ram", "tmpfs", {}, true), mount("/media/cdrom", "iso9660", {}, true) }, { "/media/cdrom" });
        row("/ first, then by path as a person reads", { mount("/mnt/b", "ext4"), mount("/media/Zip", "vfat"), mount("/", "ext4"), mount("/media/apple", "vfat"), mount("/media/b2", "vfat"), mount("/media/b10", "vfat") }, { "/", "/media/apple", "/media/b10", "/media/b2", "/media/Zip", "/mnt/b" });
        row("label in brackets, trimmed; a blank label none", { mount("/media/s", "vfat", " My Stick "), mount("/mnt/b", "ext4", "  ") }, { "/media/s (My Stick)", "/mnt/b" });
        row("mounted twice: the later label", { mount("/mnt/a", "ext4", "OLD"), mount("/mnt/a", "ext4", "NEW") }, { "/mnt/a (NEW)" });
        row("mounted twice: a system mount hides the disk", { mount("/mnt/a", "ext4", "DISK"), mount("/mnt/a/", "squashfs") }, {});
        row("mounted twice: the share over its autofs trigger", { mount("/mnt/net", "autofs"), mount("/mnt/net", "nfs4") }, { "/mnt/net" });
        row("drive letters first, then by path, as Windows writes them", { mount("D:/", "NTFS", "Data"), mount("z:\\", "unix"), mount("C:/", "NTFS"), mount("C:/Mount/Stick", "FAT32", "STICK") }, { "C:\\", "C:\\Mount\\Stick (STICK)", "D:\\ (Data)", "z:\\" }, PathStyle::Windows);
        row("a drive mounted twice, in either case: the later; no Unix path", { mount("C:/", "NTFS", "OLD"), mount("c:\\", "NTFS", "NEW"), mount("/mnt/x", "ext4") }, { "c:\\ (NEW)" }, PathStyle::Windows);
        // clang-format on
    }

    void volumes()
    {
        const auto [style, mounts] = fetch<PathStyle, QList<Mount>>("style", "mounts");
        QTEST(shown(VolumeList(mounts, style)), "shown");
    }

    // "/", a stick under /media with its label, a folder mounted inside it,
    // and /home; C:, a stick mounted on a folder of it, and D:, whose
    // letters and names ignore case.
    void driveOfAndRootOf_data()
    {
        // clang-format off
        // drive: the volume that holds the path text
        // root: the volume the drive box text names
        dataTable<PathStyle, QString, QString, QString>({ "style", "text", "drive", "root" });
        const auto row = [](const char *name, const char *text, const char *drive, const char *root, PathStyle style = PathStyle::Unix) {
            QTest::newRow(name) << style << QString::fromUtf8(text) << QString::fromUtf8(drive) << QString::fromUtf8(root);
        };
        const PathStyle win = PathStyle::Windows;
        row("on /", "/etc/x", "/", "");
        row("the mount point, with a slash", "/media/a/", "/media/a", "/media/a");
        row("the name shown", "/media/a (STICK)", "/", "/media/a");
        row("deepest mount wins", "/media/a/b/c", "/media/a/b", "");
        row("whole names: /media/a/bc is not on /media/a/b", "/media/a/bc", "/media/a", "");
        row("dot-dot resolved first", "/media/a/../ab", "/", "");
        row("case counts", "/MEDIA/A", "/", "");
        row("relative path", "media/a", "", "");
        row("a folder on C:, any case, either slash", "c:\\Users\\ann", "C:/", "", win);
        row("the drive as the box shows it", "D:\\ (Data)", "D:/", "D:/", win);
        row("a drive letter alone, lower case", "d:", "D:/", "D:/", win);
        row("the mounted folder wins over C:", "C:/mount/STICK/x", "C:/Mount/Stick", "", win);
        row("whole names: C:/Mount/Sticks is on C:", "C:/Mount/Sticks", "C:/", "", win);
        row("a drive that is not there", "Y:/x", "", "", win);
        row("a network path", "\\\\server\\share\\x", "", "", win);
        // clang-format on
    }

    void driveOfAndRootOf()
    {
        const auto [style, text] = fetch<PathStyle, QString>("style", "text");
        const VolumeList list = style == PathStyle::Windows
            ? VolumeList({ mount("C:/", "NTFS"), mount("C:/Mount/Stick", "FAT32", "STICK"),
                           mount("D:/", "NTFS", "Data") },
                         style)
            : VolumeList({ mount("/", "ext4"), mount("/media/a", "vfat", "STICK"),
                           mount("/media/a/b", "ext4"), mount("/home", "ext4") },
                         style);
        QTEST(list.driveOf(text), "drive");
        QTEST(list.rootOf(text), "root");
    }
};

QTEST_GUILESS_MAIN(TestVolumeList)
#include "TestVolumeList.moc"
