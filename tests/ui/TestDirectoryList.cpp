#include "DirectoryList.h"
#include "VolumeList.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The temporary folder stands for a volume, so the way starts there.
class TestDirectoryList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void setPath_data();
    void setPath();
    void opensEntriesAndShowsTheWay();
    void leavesARemovedDirectory();

private:
    QStringList shown(int role = Qt::DisplayRole) const;

    QTemporaryDir m_dir; // the tree is made afresh by each init()
    QString m_top;
    std::unique_ptr<DirectoryList> m_list;
};

void TestDirectoryList::init()
{
    m_top = QDir::cleanPath(m_dir.path());
    for (const char *name : { "work/beta", "work/Zeta", "work/alpha/deep", "work/.hidden" })
        QVERIFY(QDir(m_top).mkpath(name));
    QVERIFY(QFile(m_top + "/work/afile.txt").open(QIODevice::WriteOnly));
    m_list = std::make_unique<DirectoryList>();
    m_list->setVolumes(VolumeList({ { m_top, "ext4", "", "" } }));
    QVERIFY(m_list->setPath(m_top + "/work/alpha"));
}

QStringList TestDirectoryList::shown(int role) const
{
    QStringList out;
    for (int i = 0; i < m_list->count(); ++i)
        out << m_list->item(i)->data(role).toString();
    return out;
}

void TestDirectoryList::setPath_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("path");

    QTest::newRow("loosely spelled") << "//work/alpha/deep/" << true << "/work/alpha/deep";
    QTest::newRow("open one respelled") << "/work/./x/../alpha" << true << "/work/alpha";
    QTest::newRow("missing") << "/work/none" << false << "/work/alpha";
    QTest::newRow("a file") << "/work/afile.txt" << false << "/work/alpha";
    QTest::newRow("empty") << "" << false << "/work/alpha";
}

void TestDirectoryList::setPath()
{
    QFETCH(QString, target);
    QFETCH(bool, accepted);
    QFETCH(QString, path);

    QSignalSpy spy(m_list.get(), &DirectoryList::pathChanged);
    QCOMPARE(m_list->setPath(target.isEmpty() ? target : m_top + target), accepted);
    QCOMPARE(m_list->path(), m_top + path);
    QCOMPARE(spy.count(), path == "/work/alpha" ? 0 : 1);
}

void TestDirectoryList::opensEntriesAndShowsTheWay()
{
    QStringList seen;
    connect(m_list.get(), &DirectoryList::pathChanged, this, [&] { seen << m_list->path(); });
    // As the system delivers a double-click: a click, then the second press.
    const QPoint deep = m_list->visualItemRect(m_list->item(3)).center();
    QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, deep);
    QTest::mouseDClick(m_list->viewport(), Qt::LeftButton, {}, deep);
    m_list->setCurrentRow(1);
    QTest::keyClick(m_list.get(), Qt::Key_Return);
    QCOMPARE(seen, QStringList({ m_top + "/work/alpha/deep", m_top + "/work" }));
    QCOMPARE(m_list->currentRow(), 1); // the open directory
    // Root, open directory, then its subdirectories in case-blind order; the
    // file and the hidden directory are left out.
    QCOMPARE(shown(), QStringList({ m_top, "work", "alpha", "beta", "Zeta" }));
    QCOMPARE(shown(DirectoryList::DepthRole), QStringList({ "0", "1", "2", "2", "2" }));
}

void TestDirectoryList::leavesARemovedDirectory()
{
    QVERIFY(m_list->setPath(m_top + "/work/alpha/deep"));
    QVERIFY(QDir(m_top + "/work/alpha").removeRecursively());
    QSignalSpy spy(m_list.get(), &DirectoryList::pathChanged);
    m_list->refresh();
    QVERIFY(QDir(m_top + "/work/Zeta").removeRecursively());
    m_list->setCurrentRow(3); // Zeta, gone meanwhile: opening it shows what is there now
    QTest::keyClick(m_list.get(), Qt::Key_Return);
    QCOMPARE(shown(), QStringList({ m_top, "work", "beta" }));
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestDirectoryList)
#include "TestDirectoryList.moc"
