#include "DriveList.h"
#include "VolumeList.h"

#include <QSignalSpy>
#include <QTest>

template<typename... T> static void row(const char *name, T... values)
{
    (QTest::newRow(name) << ... << values);
}

// What a desktop user has mounted, among the system's own mounts, mostly as
// the kernel lists them; labels come from elsewhere, so those mounts are given.
static const QList<VolumeList::Mount> table
    = VolumeList::parseMountInfo(
          "22 1 8:2 / / rw,relatime shared:1 - overlay overlay rw\n" // a container's "/"
          "23 22 0:5 / /run/user/0 rw,nosuid shared:2 - tmpfs tmpfs rw\n"
          "24 22 0:6 / /tmp rw - tmpfs tmpfs rw\n"
          "25 22 0:7 / /mnt/stub ro,nosuid - tmpfs tmpfs ro\n"
          "26 22 0:8 / /mnt/ram rw master:3 - tmpfs tmpfs rw\n"
          "27 22 0:9 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
          "28 22 8:3 / /home rw,relatime shared:4 master:5 - ext4 /dev/sda3 rw\n"
          "29 22 8:17 / /home2 rw - xfs /dev/sdb1 rw\n"
          "30 22 0:10 / /home2 rw - proc proc rw\n" // a later mount hides the earlier one
          "31 22 0:10 / /mnt/a rw - proc proc rw\n"
          "32 22 0:11 / /mnt/my\\040nas rw - nfs4 nas:/x rw\n"
          "not a mount line\n")
    + QList<VolumeList::Mount> {
          { "/mnt/a", "ext4", "/dev/sdd1", "Backup", false },
          { "/run/media/u/USB", "exfat", "/dev/sdc1", "STICK", false },
          { "/sysdata", "ext4", "/dev/sde1", "  ", false },
      };

class TestVolumeList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsWhatAUserChoosesFrom();
    void driveOfAPath_data();
    void driveOfAPath();
};

void TestVolumeList::listsWhatAUserChoosesFrom()
{
    QStringList names;
    const VolumeList list(table);
    for (const VolumeList::Volume &volume : list.volumes())
        names << volume.displayName;
    QCOMPARE(names,
             QStringList({ "/", "/home", "/mnt/a (Backup)", "/mnt/my nas", "/mnt/ram",
                           "/run/media/u/USB (STICK)", "/sysdata" }));
}

void TestVolumeList::driveOfAPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("drive");

    row("same volume, other folder", "/home/u/pics", "/home");
    row("the root itself, with a slash", "/home/", "/home");
    row("prefix without a separator", "/homework", "/");
    row("deeper volume wins", "/run/media/u/USB/a", "/run/media/u/USB");
    row("left-out volume", "/run/user/0/x", "/");
    row("dot-dot leaves the volume", "/mnt/ram/../x", "/");
}

// The drive list shows the volume whose mount path is the longest prefix, and
// says so only when that is another drive than the one shown.
void TestVolumeList::driveOfAPath()
{
    QFETCH(QString, path);
    QFETCH(QString, drive);
    DriveList list;
    list.setVolumes(VolumeList(table));
    QVERIFY(list.setDrive("/home/a"));
    QSignalSpy spy(&list, &DriveList::driveChanged);
    list.setDrive(path);
    QCOMPARE(list.drive(), drive);
    QCOMPARE(list.currentData().toString(), drive);
    QCOMPARE(spy.count(), drive == "/home" ? 0 : 1);
}

QTEST_MAIN(TestVolumeList)
#include "TestVolumeList.moc"
