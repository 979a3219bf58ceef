#include "DirectoryList.h"
#include "DriveList.h"
#include "Seqget_FRM.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

template<typename... T> static void row(const char *name, T... values)
{
    (QTest::newRow(name) << ... << values);
}

// The chooser's handlers in the window, on two made-up volumes inside a
// temporary folder and a third one that is not ready.
class TestFolderChooser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void handlers_data();
    void handlers();
    void nestedHandlerReturnsAtOnce();
    void syncBox_data();
    void syncBox();

private:
    QTemporaryDir m_temp;
    QString m_root;
    std::unique_ptr<Seqget_FRM> m_window;
    DriveList *m_drive = nullptr;
};

void TestFolderChooser::init()
{
    m_root = QDir::cleanPath(m_temp.path()) + "/";
    QVERIFY(QDir().mkpath(m_root + "first/a/b") && QDir().mkpath(m_root + "second/c"));
    const VolumeList volumes({ { m_root + "first", "ext4", "", "" },
                               { m_root + "second", "ext4", "", "" },
                               { m_root + "missing", "vfat", "", "" } });
    m_window = std::make_unique<Seqget_FRM>();
    m_drive = m_window->findChild<DriveList *>("Drive1");
    m_drive->setVolumes(volumes);
    m_window->findChild<DirectoryList *>("Dir1")->setVolumes(volumes);
    m_window->setDir1Path(m_root + "first/a");
}

void TestFolderChooser::handlers_data()
{
    QTest::addColumn<bool>("pickDrive"); // else the directory list's path is set
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");

    row("another volume opens its root", true, "second", "second");
    row("opening a directory keeps the drive", false, "first/a/b", "first/a/b");
    row("same drive runs nothing", true, "first", "first/a");
    row("path on another volume is kept", false, "second/c", "second/c");
    row("drive not ready", true, "missing", "first/a");
}

void TestFolderChooser::handlers()
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

void TestFolderChooser::nestedHandlerReturnsAtOnce()
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

void TestFolderChooser::syncBox_data()
{
    QTest::addColumn<int>("setByCode");
    QTest::addColumn<bool>("click");
    QTest::addColumn<int>("sync");

    QTest::newRow("dimmed tick from code") << 2 << false << 2;
    QTest::newRow("click on unticked") << 0 << true << 1;
    QTest::newRow("click on ticked") << 1 << true << 0;
    QTest::newRow("click on dimmed never dims again") << 2 << true << 0;
}

void TestFolderChooser::syncBox()
{
    QFETCH(int, setByCode);
    QFETCH(bool, click);
    QFETCH(int, sync);

    m_window->jobBox(JobBox::PCFLD)->setText("mine");
    m_window->setSyncValue(setByCode);
    if (click)
        QTest::mouseClick(m_window->findChild<QCheckBox *>("Check_SYNC"), Qt::LeftButton);
    QCOMPARE(int(m_window->mainState().SYNC), sync);
    // Disabled exactly while ticked, and its text (mirrored in PCFLD) stays.
    QCOMPARE(m_window->jobBox(JobBox::PCFLD)->isEnabled(), sync != 1);
    QCOMPARE(m_window->mainState().PCFLD, QStringLiteral("mine"));
}

QTEST_MAIN(TestFolderChooser)
#include "TestFolderChooser.moc"
