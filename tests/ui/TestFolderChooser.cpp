#include "DirectoryList.h"
#include "DriveList.h"
#include "Seqget_FRM.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The three chooser handlers working together in the window, on a made-up
// table of two volumes inside a temporary folder (plus one that is not ready).
class TestFolderChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void choosingAnotherVolumeOpensItsRoot();
    void openingDirectoryKeepsDrive();
    void sameDriveRunsNothing();
    void pathOnAnotherVolumeSetByCodeIsKept();
    void nestedHandlerReturnsAtOnce();
    void driveThatIsNotReady();
    void syncBox_data();
    void syncBox();

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<Seqget_FRM> m_window;
    DriveList *m_drive = nullptr;
    DirectoryList *m_dir = nullptr;
    QString m_first;
    QString m_second;
    QString m_missing;
};

void TestFolderChooser::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    const QDir root(m_root->path());
    QVERIFY(root.mkpath(QStringLiteral("first/a/b")));
    QVERIFY(root.mkpath(QStringLiteral("second/c")));
    m_first = root.filePath(QStringLiteral("first"));
    m_second = root.filePath(QStringLiteral("second"));
    m_missing = root.filePath(QStringLiteral("missing"));
    const VolumeList volumes(
        { { m_first, QStringLiteral("ext4"), QStringLiteral("/dev/x1"), {} },
          { m_second, QStringLiteral("ext4"), QStringLiteral("/dev/x2"), {} },
          { m_missing, QStringLiteral("vfat"), QStringLiteral("/dev/x3"), {} } });
    m_window = std::make_unique<Seqget_FRM>();
    m_drive = m_window->findChild<DriveList *>(QStringLiteral("Drive1"));
    m_dir = m_window->findChild<DirectoryList *>(QStringLiteral("Dir1"));
    m_drive->setVolumes(volumes);
    m_dir->setVolumes(volumes);
    m_dir->setPath(m_first + QStringLiteral("/a"));
    QCOMPARE(m_drive->drive(), m_first);
    QCOMPARE(Seqget_FRM::DirChanging, false);
    QCOMPARE(Seqget_FRM::DriveChanging, false);
}

void TestFolderChooser::choosingAnotherVolumeOpensItsRoot()
{
    // As the user would: pick the entry in the drop-down list.
    m_drive->setCurrentIndex(m_drive->volumes().indexOfRoot(m_second));
    QCOMPARE(m_dir->path(), m_second);
    QCOMPARE(m_drive->drive(), m_second);
    QCOMPARE(QDir::current().absolutePath(), m_second);
    QCOMPARE(Seqget_FRM::DirChanging, false);
    QCOMPARE(Seqget_FRM::DriveChanging, false);
}

void TestFolderChooser::openingDirectoryKeepsDrive()
{
    QSignalSpy driveChanges(m_drive, &DriveList::driveChanged);
    m_dir->setPath(m_first + QStringLiteral("/a/b"));
    QCOMPARE(m_dir->path(), m_first + QStringLiteral("/a/b"));
    QCOMPARE(m_drive->drive(), m_first);
    QCOMPARE(driveChanges.count(), 0);
    QCOMPARE(QDir::current().absolutePath(), m_first + QStringLiteral("/a/b"));
}

void TestFolderChooser::sameDriveRunsNothing()
{
    QSignalSpy pathChanges(m_dir, &DirectoryList::pathChanged);
    m_drive->setDrive(m_first);
    m_drive->setCurrentIndex(m_drive->volumes().indexOfRoot(m_first));
    QCOMPARE(pathChanges.count(), 0);
    QCOMPARE(m_dir->path(), m_first + QStringLiteral("/a"));
}

void TestFolderChooser::pathOnAnotherVolumeSetByCodeIsKept()
{
    // As start-up does with a saved folder: the drive list follows the path,
    // and the path is not sent back to the volume's root.
    m_window->setDir1Path(m_second + QStringLiteral("/c"));
    m_window->setDrive1ToDriveOf(m_window->dir1Path());
    QCOMPARE(m_dir->path(), m_second + QStringLiteral("/c"));
    QCOMPARE(m_drive->drive(), m_second);
}

void TestFolderChooser::nestedHandlerReturnsAtOnce()
{
    QStringList seen;
    // Runs inside Dir1_Change, after the window's own handler has begun.
    connect(m_drive, &DriveList::driveChanged, this, [&] {
        seen << QStringLiteral("drive: dir guard %1").arg(Seqget_FRM::DirChanging);
        const QString before = m_dir->path();
        m_window->Dir1_Change();
        seen << QStringLiteral("nested dir handler kept path %1, guard %2")
                    .arg(m_dir->path() == before)
                    .arg(Seqget_FRM::DirChanging);
    });
    m_dir->setPath(m_second + QStringLiteral("/c"));
    QCOMPARE(seen,
             QStringList({ "drive: dir guard 1", "nested dir handler kept path 1, guard 1" }));
    QCOMPARE(Seqget_FRM::DirChanging, false);
    QCOMPARE(Seqget_FRM::DriveChanging, false);
}

void TestFolderChooser::driveThatIsNotReady()
{
    m_drive->setCurrentIndex(m_drive->volumes().indexOfRoot(m_missing));
    // Nothing is reported; the lists show the directory still open, and its drive.
    QCOMPARE(m_dir->path(), m_first + QStringLiteral("/a"));
    QCOMPARE(m_drive->drive(), m_first);
    QCOMPARE(Seqget_FRM::DirChanging, false);
    QCOMPARE(Seqget_FRM::DriveChanging, false);
}

void TestFolderChooser::syncBox_data()
{
    QTest::addColumn<int>("setByCode");
    QTest::addColumn<bool>("clickAfter");
    QTest::addColumn<int>("expectedSync");
    QTest::addColumn<bool>("ownFolderEnabled");

    QTest::newRow("ticked") << 1 << false << 1 << false;
    QTest::newRow("unticked") << 0 << false << 0 << true;
    QTest::newRow("dimmed tick from code") << 2 << false << 2 << true;
    QTest::newRow("click on unticked") << 0 << true << 1 << false;
    QTest::newRow("click on ticked") << 1 << true << 0 << true;
    QTest::newRow("click on dimmed never dims again") << 2 << true << 0 << true;
}

void TestFolderChooser::syncBox()
{
    QFETCH(int, setByCode);
    QFETCH(bool, clickAfter);
    QFETCH(int, expectedSync);
    QFETCH(bool, ownFolderEnabled);

    QLineEdit *ownFolder = m_window->jobBox(JobBox::PCFLD);
    ownFolder->setText(QStringLiteral("mine"));
    // Start from the other extreme, so that setting the value is a change.
    m_window->setSyncValue(setByCode == 1 ? 0 : 1);
    m_window->setSyncValue(setByCode);
    if (clickAfter)
        QTest::mouseClick(m_window->findChild<QCheckBox *>(QStringLiteral("Check_SYNC")),
                          Qt::LeftButton);
    QCOMPARE(int(m_window->mainState().SYNC), expectedSync);
    QCOMPARE(m_window->syncValue(), expectedSync);
    QCOMPARE(ownFolder->isEnabled(), ownFolderEnabled);
    QCOMPARE(ownFolder->text(), QStringLiteral("mine"));
    QCOMPARE(m_window->mainState().PCFLD, QStringLiteral("mine"));

    // Setting the value it already has runs nothing.
    m_window->mainState().SYNC = 7;
    m_window->setSyncValue(expectedSync);
    QCOMPARE(int(m_window->mainState().SYNC), 7);
}

QTEST_MAIN(TestFolderChooser)
#include "TestFolderChooser.moc"
