#include "DirectoryList.h"
#include "DriveList.h"
#include "Seqget_FRM.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The folder chooser of the window: which volumes the drive list offers, the
// directory list, and the handlers that keep the two in step, on two made-up
// volumes inside a temporary folder and a third one that is not ready.
class TestFolderChooser : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp; // the tree is made afresh by each init()
    QString m_root;
    std::unique_ptr<Seqget_FRM> m_window;
    DriveList *m_drive = nullptr;
    DirectoryList *m_dir = nullptr;

private Q_SLOTS:
    void init()
    {
        m_root = QDir::cleanPath(m_temp.path()) + u'/';
        for (const char *path :
             { "first/a/b", "first/a/Zeta", "first/a/alpha", "first/a/.hidden", "second/c" })
            QVERIFY(QDir(m_root).mkpath(QString::fromLatin1(path)));
        QVERIFY(writeFile(m_root + u"first/a/afile.txt"_s, {}));
        const VolumeList volumes({ { m_root + "first", "ext4", "", "" },
                                   { m_root + "second", "ext4", "", "" },
                                   { m_root + "missing", "vfat", "", "" } });
        m_window = std::make_unique<Seqget_FRM>();
        m_drive = m_window->findChild<DriveList *>(u"Drive1"_s);
        m_dir = m_window->findChild<DirectoryList *>(u"Dir1"_s);
        m_drive->setVolumes(volumes);
        m_dir->setVolumes(volumes);
        m_window->setDir1Path(m_root + "first/a");
    }

    // Of the mounts the kernel lists, those a user would choose from; a path
    // lies on the volume with the longest mount path that holds it whole.
    void volumes()
    {
        const VolumeList list(VolumeList::parseMountInfo(
            "22 1 8:2 / / rw - overlay overlay rw\n" // a container's "/"
            "23 22 0:5 / /run/user/0 rw - tmpfs tmpfs rw\n"
            "24 22 0:6 / /tmp rw - tmpfs tmpfs rw\n"
            "25 22 0:7 / /mnt/stub ro - tmpfs tmpfs ro\n"
            "26 22 0:8 / /mnt/ram rw master:3 - tmpfs tmpfs rw\n"
            "27 22 0:9 / /var/lib/docker/overlay2/x/merged rw - overlay overlay rw\n"
            "28 22 8:3 / /home rw shared:4 master:5 - ext4 /dev/sda3 rw\n"
            "29 22 8:17 / /home2 rw - xfs /dev/sdb1 rw\n"
            "30 22 0:10 / /home2 rw - proc proc rw\n" // a later mount hides the earlier one
            "32 22 0:11 / /mnt/my\\040nas rw - nfs4 nas:/x rw\n"
            "not a mount line\n"));
        QStringList names;
        for (const VolumeList::Volume &volume : list.volumes())
            names << volume.displayName;
        for (const char *path : { "/home/u/pics", "/homework", "/run/user/0/x", "/mnt/ram/../x" })
            names << list.driveOf(QString::fromLatin1(path));
        QCOMPARE(names.join(u'|'), u"/|/home|/mnt/my nas|/mnt/ram|/home|/|/|/"_s);
    }

    // The way down from the volume's root, then the subdirectories in
    // case-blind order without the hidden one; opened by double-click or
    // Enter. One that has gone opens the nearest ancestor that is left.
    void directoryList()
    {
        const auto shown = [this] {
            QStringList entries;
            for (int i = 0; i < m_dir->count(); ++i)
                entries << m_dir->item(i)->text() + u':'
                        + m_dir->item(i)->data(DirectoryList::DepthRole).toString();
            return entries.join(u' ').remove(m_root);
        };
        QCOMPARE(shown(), u"first:0 a:1 alpha:2 b:2 Zeta:2"_s);
        QVERIFY(!m_dir->setPath(m_root + u"first/a/afile.txt"_s) && !m_dir->setPath(QString()));
        QVERIFY(m_dir->setPath(m_root + u"/first//a/./x/../b/"_s));
        QCOMPARE(m_dir->path(), m_root + u"first/a/b"_s);
        // As the system delivers a double-click: a click, then the second press.
        const QPoint a = m_dir->visualItemRect(m_dir->item(1)).center();
        QTest::mouseClick(m_dir->viewport(), Qt::LeftButton, {}, a);
        QTest::mouseDClick(m_dir->viewport(), Qt::LeftButton, {}, a);
        QCOMPARE(m_dir->path(), m_root + u"first/a"_s);
        QVERIFY(QDir(m_root + u"first/a/alpha"_s).removeRecursively());
        m_dir->setCurrentRow(2);
        QTest::keyClick(m_dir, Qt::Key_Return);
        QCOMPARE(shown(), u"first:0 a:1 b:2 Zeta:2"_s);
        m_dir->setCurrentRow(2);
        QTest::keyClick(m_dir, Qt::Key_Return);
        QCOMPARE(m_dir->path(), m_root + u"first/a/b"_s);
    }

    void handlers_data()
    {
        QTest::addColumn<bool>("pickDrive"); // else the directory list's path is set
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("path");
        QTest::newRow("another volume opens its root") << true << "second"
                                                       << "second";
        QTest::newRow("opening a directory keeps the drive") << false << "first/a/b"
                                                             << "first/a/b";
        QTest::newRow("same drive runs nothing") << true << "first"
                                                 << "first/a";
        QTest::newRow("path on another volume is kept") << false << "second/c"
                                                        << "second/c";
        QTest::newRow("drive not ready") << true << "missing"
                                         << "first/a";
    }

    void handlers()
    {
        QFETCH(bool, pickDrive);
        QFETCH(QString, target);
        QFETCH(QString, path);
        if (pickDrive)
            m_drive->setCurrentIndex(m_drive->volumes().indexOfRoot(m_root + target));
        else
            m_window->setDir1Path(m_root + target);
        QCOMPARE(m_window->dir1Path(), m_root + path);
        QCOMPARE(m_drive->drive(), m_root + path.section('/', 0, 0)); // each volume is a top folder
        QVERIFY(!Seqget_FRM::DirChanging && !Seqget_FRM::DriveChanging);
    }

    void nestedHandlerReturnsAtOnce()
    {
        QList<bool> guard; // DirChanging before and after a nested run, inside the outer one
        connect(m_drive, &DriveList::driveChanged, this, [&] {
            guard << Seqget_FRM::DirChanging;
            m_window->Dir1_Change();
            guard << Seqget_FRM::DirChanging;
        });
        m_window->setDir1Path(m_root + "second/c");
        QCOMPARE(guard, QList<bool>({ true, true }));
    }

    // What a click makes of each value of the folder-sync box; the own-folder
    // box is disabled exactly while ticked, and keeps its text.
    void syncBox()
    {
        auto *box = m_window->findChild<QCheckBox *>(u"Check_SYNC"_s);
        m_window->jobBox(JobBox::PCFLD)->setText(u"mine"_s);
        const auto state = [this] {
            return u"%1 %2"_s.arg(m_window->mainState().SYNC)
                .arg(m_window->jobBox(JobBox::PCFLD)->isEnabled());
        };
        QStringList seen;
        for (const int value : { 0, 1, 2 }) {
            m_window->setSyncValue(value);
            seen << state();
            QTest::mouseClick(box, Qt::LeftButton);
            seen << state();
        }
        QCOMPARE(seen.join(u", "_s), u"0 1, 1 0, 1 0, 0 1, 2 1, 0 1"_s);
        QCOMPARE(m_window->mainState().PCFLD, u"mine"_s);
    }
};

QTEST_MAIN(TestFolderChooser)
#include "TestFolderChooser.moc"
