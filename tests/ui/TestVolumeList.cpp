#include "DriveList.h"
#include "VolumeList.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using Mount = VolumeList::Mount;

namespace {

// A machine as a desktop user would have it, plus the usual system mounts.
QList<Mount> madeUpTable()
{
    return {
        { "/", "ext4", "/dev/sda2", "", false },
        { "/proc", "proc", "proc", "", false },
        { "/run/user/0", "tmpfs", "tmpfs", "", false },
        { "/home", "ext4", "/dev/sda3", "", false },
        { "/home2", "xfs", "/dev/sdb1", "", false },
        { "/media/usb", "vfat", "/dev/sdc1", "STICK", false },
    };
}

QStringList roots(const VolumeList &list)
{
    QStringList out;
    for (const VolumeList::Volume &volume : list.volumes())
        out << volume.root;
    return out;
}

} // namespace

class TestVolumeList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesMountInfo();
    void choosable_data();
    void choosable();
    void namesOrderAndRemounts();
    void driveOf_data();
    void driveOf();
    void rootOf_data();
    void rootOf();
    void systemListsTheTop();
    void systemListsAUserTmpfs();
    void driveListEmitsOnRealChanges_data();
    void driveListEmitsOnRealChanges();
    void driveListFollowsTheUser();
    void driveListMovesOffAVanishedVolume();
};

void TestVolumeList::parsesMountInfo()
{
    const QByteArray text
        = "26 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda rw\n"
          "27 26 0:24 / /media/my\\040disk ro,nosuid master:3 - vfat /dev/sdb1 ro\n"
          "garbage line\n"
          "28 26 0:25 / /mnt/ram rw - tmpfs tmpfs rw,size=4k\n";
    const QList<Mount> mounts = VolumeList::parseMountInfo(text);
    QCOMPARE(mounts.size(), 3);
    QCOMPARE(mounts.at(0).root, QStringLiteral("/"));
    QCOMPARE(mounts.at(0).fsType, QStringLiteral("ext4"));
    QCOMPARE(mounts.at(0).device, QStringLiteral("/dev/vda"));
    QVERIFY(!mounts.at(0).readOnly);
    QCOMPARE(mounts.at(1).root, QStringLiteral("/media/my disk"));
    QCOMPARE(mounts.at(1).fsType, QStringLiteral("vfat"));
    QVERIFY(mounts.at(1).readOnly);
    QCOMPARE(mounts.at(2).root, QStringLiteral("/mnt/ram"));
    QCOMPARE(mounts.at(2).fsType, QStringLiteral("tmpfs"));
}

void TestVolumeList::choosable_data()
{
    QTest::addColumn<QString>("root");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("listed");

    QTest::newRow("top even as overlay") << "/"
                                         << "overlay" << false << true;
    QTest::newRow("home") << "/home"
                          << "ext4" << false << true;
    QTest::newRow("boot efi") << "/boot/efi"
                              << "vfat" << false << true;
    QTest::newRow("usb under media") << "/media/usb"
                                     << "vfat" << false << true;
    QTest::newRow("usb under run/media") << "/run/media/u/USB"
                                         << "exfat" << false << true;
    QTest::newRow("read-only disc") << "/media/cdrom"
                                    << "iso9660" << true << true;
    QTest::newRow("network share") << "/mnt/nas"
                                   << "nfs4" << false << true;
    QTest::newRow("sshfs") << "/mnt/box"
                           << "fuse.sshfs" << false << true;
    QTest::newRow("tmpfs a user mounted") << "/mnt/ram"
                                          << "tmpfs" << false << true;
    QTest::newRow("tmpfs in a user's folder") << "/tmp/seqget/ram"
                                              << "tmpfs" << false << true;
    QTest::newRow("read-only tmpfs") << "/mnt/stub"
                                     << "tmpfs" << true << false;
    QTest::newRow("tmp itself") << "/tmp"
                                << "tmpfs" << false << false;
    QTest::newRow("run user") << "/run/user/0"
                              << "tmpfs" << false << false;
    QTest::newRow("run lock") << "/run/lock"
                              << "tmpfs" << false << false;
    QTest::newRow("dev shm") << "/dev/shm"
                             << "tmpfs" << false << false;
    QTest::newRow("proc") << "/proc"
                          << "proc" << false << false;
    QTest::newRow("binfmt") << "/proc/sys/fs/binfmt_misc"
                            << "binfmt_misc" << false << false;
    QTest::newRow("sysfs") << "/sys"
                           << "sysfs" << false << false;
    QTest::newRow("cgroup") << "/sys/fs/cgroup/cpu"
                            << "cgroup" << false << false;
    QTest::newRow("devpts") << "/dev/pts"
                            << "devpts" << false << false;
    QTest::newRow("snap image") << "/snap/core/17"
                                << "squashfs" << true << false;
    QTest::newRow("container layer") << "/var/lib/docker/overlay2/x/merged"
                                     << "overlay" << false << false;
    QTest::newRow("automounter") << "/net"
                                 << "autofs" << false << false;
    QTest::newRow("document portal") << "/home/u/doc"
                                     << "fuse.portal" << false << false;
    QTest::newRow("something under run") << "/run/docker/netns/x"
                                         << "nsfs" << false << false;
    QTest::newRow("disk mounted under run") << "/run/secrets"
                                            << "ext4" << false << false;
}

void TestVolumeList::choosable()
{
    QFETCH(QString, root);
    QFETCH(QString, type);
    QFETCH(bool, readOnly);
    QFETCH(bool, listed);
    QCOMPARE(VolumeList::isChoosable({ root, type, "dev", "", readOnly }), listed);
    QCOMPARE(VolumeList({ { root, type, "dev", "", readOnly } }).size(), listed ? 1 : 0);
}

void TestVolumeList::namesOrderAndRemounts()
{
    QList<Mount> table = madeUpTable();
    // Mounted over: the later mount is the one a user sees at that place.
    table.append({ "/home2", "proc", "proc", "", false });
    table.append({ "/mnt/a", "proc", "proc", "", false });
    table.append({ "/mnt/a", "ext4", "/dev/sdd1", "Backup", false });
    table.prepend({ "/data", "ext4", "/dev/sde1", "  ", false });
    const VolumeList list(table);
    QCOMPARE(roots(list), QStringList({ "/", "/data", "/home", "/media/usb", "/mnt/a" }));
    QCOMPARE(list.volumes().at(0).displayName, QStringLiteral("/"));
    QCOMPARE(list.volumes().at(1).displayName, QStringLiteral("/data"));
    QCOMPARE(list.volumes().at(3).displayName, QStringLiteral("/media/usb (STICK)"));
    QCOMPARE(list.volumes().at(4).displayName, QStringLiteral("/mnt/a (Backup)"));
}

void TestVolumeList::driveOf_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");

    QTest::newRow("top") << "/"
                         << "/";
    QTest::newRow("in home") << "/home/u/pics"
                             << "/home";
    QTest::newRow("home itself") << "/home"
                                 << "/home";
    QTest::newRow("home with slash") << "/home/"
                                     << "/home";
    QTest::newRow("home2 is not under home") << "/home2/x"
                                             << "/home2";
    QTest::newRow("prefix without a separator") << "/homework"
                                                << "/";
    QTest::newRow("deeper than two volumes") << "/media/usb/a/b"
                                             << "/media/usb";
    QTest::newRow("media itself") << "/media"
                                  << "/";
    QTest::newRow("left-out volume") << "/run/user/0/x"
                                     << "/";
    QTest::newRow("dot-dot leaves the volume") << "/media/usb/../x"
                                               << "/";
    QTest::newRow("doubled slashes") << "//home//u"
                                     << "/home";
    QTest::newRow("case matters") << "/Home/u"
                                  << "/";
    QTest::newRow("relative") << "home/u"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestVolumeList::driveOf()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    QCOMPARE(VolumeList(madeUpTable()).driveOf(path), drive);
}

void TestVolumeList::rootOf_data()
{
    QTest::addColumn<QString>("drive");
    QTest::addColumn<QString>("root");

    QTest::newRow("root") << "/home"
                          << "/home";
    QTest::newRow("root with slash") << "/home/"
                                     << "/home";
    QTest::newRow("display name") << "/media/usb (STICK)"
                                  << "/media/usb";
    QTest::newRow("top") << "/"
                         << "/";
    QTest::newRow("a folder, not a root") << "/home/u"
                                          << "";
    QTest::newRow("left out") << "/run/user/0"
                              << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestVolumeList::rootOf()
{
    QFETCH(QString, drive);
    QFETCH(QString, root);
    QCOMPARE(VolumeList(madeUpTable()).rootOf(drive), root);
}

void TestVolumeList::systemListsTheTop()
{
    const VolumeList list = VolumeList::fromSystem();
    QVERIFY(list.indexOfRoot(QDir::rootPath()) >= 0);
    QVERIFY(!list.driveOf(QDir::currentPath()).isEmpty());
    // No pseudo file system slips through on the real machine.
    for (const VolumeList::Volume &volume : list.volumes()) {
        QVERIFY2(!volume.root.startsWith(QLatin1String("/proc"))
                     && !volume.root.startsWith(QLatin1String("/sys")),
                 qPrintable(volume.root));
    }
}

void TestVolumeList::systemListsAUserTmpfs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString point = dir.path() + QStringLiteral("/ram");
    QVERIFY(QDir().mkpath(point));
    if (QProcess::execute("mount", { "-t", "tmpfs", "-o", "size=1m", "tmpfs", point }) != 0)
        QSKIP("cannot mount a tmpfs here");
    auto unmount = qScopeGuard([&] { QProcess::execute("umount", { point }); });

    const VolumeList list = VolumeList::fromSystem();
    QVERIFY(list.indexOfRoot(point) >= 0);
    QCOMPARE(list.driveOf(point + QStringLiteral("/a/b")), point);
    QCOMPARE(list.driveOf(dir.path()), VolumeList::fromSystem().driveOf(QDir::tempPath()));
}

void TestVolumeList::driveListEmitsOnRealChanges_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("drive");
    QTest::addColumn<int>("emits");

    QTest::newRow("another volume") << "/"
                                    << "/home/u" << true << "/home" << 1;
    QTest::newRow("its root") << "/"
                              << "/media/usb" << true << "/media/usb" << 1;
    QTest::newRow("by display name") << "/"
                                     << "/media/usb (STICK)" << true << "/media/usb" << 1;
    QTest::newRow("same volume, other folder") << "/home/a"
                                               << "/home/b" << true << "/home" << 0;
    QTest::newRow("same root") << "/home"
                               << "/home" << true << "/home" << 0;
    QTest::newRow("neighbour with a common prefix") << "/home"
                                                    << "/home2" << true << "/home2" << 1;
    QTest::newRow("relative path") << "/home"
                                   << "x/y" << false << "/home" << 0;
    QTest::newRow("empty") << "/home"
                           << "" << false << "/home" << 0;
}

void TestVolumeList::driveListEmitsOnRealChanges()
{
    QFETCH(QString, start);
    QFETCH(QString, target);
    QFETCH(bool, found);
    QFETCH(QString, drive);
    QFETCH(int, emits);

    DriveList list;
    list.setVolumes(VolumeList(madeUpTable()));
    QCOMPARE(list.count(), 4);
    QVERIFY(list.setDrive(start));
    QSignalSpy spy(&list, &DriveList::driveChanged);
    QCOMPARE(list.setDrive(target), found);
    QCOMPARE(list.drive(), drive);
    QCOMPARE(list.currentData().toString(), drive);
    QCOMPARE(spy.count(), emits);
}

void TestVolumeList::driveListFollowsTheUser()
{
    DriveList list;
    list.setVolumes(VolumeList(madeUpTable()));
    QVERIFY(list.setDrive("/"));
    QString seen;
    connect(&list, &DriveList::driveChanged, &list, [&] { seen = list.drive(); });
    QSignalSpy spy(&list, &DriveList::driveChanged);
    QTest::keyClick(&list, Qt::Key_Down);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.drive(), QStringLiteral("/home"));
    QCOMPARE(seen, QStringLiteral("/home")); // already current inside the signal
}

void TestVolumeList::driveListMovesOffAVanishedVolume()
{
    DriveList list;
    list.setVolumes(VolumeList(madeUpTable()));
    QVERIFY(list.setDrive("/media/usb/photos"));
    QSignalSpy spy(&list, &DriveList::driveChanged);

    QList<Mount> unplugged = madeUpTable();
    unplugged.removeLast();
    list.setVolumes(VolumeList(unplugged));
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.drive(), QStringLiteral("/"));
    QCOMPARE(spy.count(), 1);

    // A list that still holds the selected volume changes nothing.
    list.setVolumes(VolumeList(madeUpTable()));
    QCOMPARE(list.count(), 4);
    QCOMPARE(list.drive(), QStringLiteral("/"));
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestVolumeList)
#include "TestVolumeList.moc"
