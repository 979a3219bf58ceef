#include "DirectoryList.h"
#include "VolumeList.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool permissionsAreIgnored()
{
#ifdef Q_OS_UNIX
    return ::geteuid() == 0;
#else
    return true; // directory permissions are not what locks a folder there
#endif
}

QStringList texts(const QListWidget &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

QListWidgetItem *itemWithText(const QListWidget &list, const QString &text)
{
    const QList<QListWidgetItem *> found = list.findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.constFirst();
}

} // namespace

class TestDirectoryList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void normalisedPath_data();
    void normalisedPath();
    void refusesWhatCannotBeEntered_data();
    void refusesWhatCannotBeEntered();
    void showsTheWayThenSortedSubdirectories();
    void startsTheWayAtTheSystemVolume();
    void opensAnEntry_data();
    void opensAnEntry();
    void samePathEmitsNothing();
    void openingAVanishedEntryKeepsThePath();
    void refreshLeavesARemovedDirectory();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_top; // clean path of the temporary directory, a made-up volume
    VolumeList m_volumes;
};

void TestDirectoryList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_top = QDir::cleanPath(m_dir->path());
    QDir top(m_top);
    for (const char *name :
         { "work/beta", "work/Zeta", "work/alpha", "work/.hidden", "work/alpha/deep" })
        QVERIFY(top.mkpath(QString::fromLatin1(name)));
    QFile file(m_top + QStringLiteral("/work/afile.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    m_volumes = VolumeList(
        { { "/", "ext4", "/dev/sda1", "", false }, { m_top, "ext4", "/dev/sdb1", "", false } });
}

void TestDirectoryList::normalisedPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    QTest::newRow("top") << "/"
                         << "/";
    QTest::newRow("trailing slash") << "/a/b/"
                                    << "/a/b";
    QTest::newRow("dot and dot-dot") << "/a/./b/../c"
                                     << "/a/c";
    QTest::newRow("doubled slashes") << "//a//b"
                                     << "/a/b";
    QTest::newRow("up from the top") << "/.."
                                     << "/";
    QTest::newRow("up from the top, then down") << "/../../x"
                                                << "/x";
    QTest::newRow("dot-dot back to the top") << "/a/.."
                                             << "/";
    QTest::newRow("relative") << "rel/x" << QDir::cleanPath(QDir::currentPath() + "/rel/x");
    QTest::newRow("empty") << ""
                           << "";
}

void TestDirectoryList::normalisedPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(DirectoryList::normalisedPath(path), expected);
}

void TestDirectoryList::refusesWhatCannotBeEntered_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("locked");

    QTest::newRow("missing") << "work/none" << false;
    QTest::newRow("a file") << "work/afile.txt" << false;
    QTest::newRow("below a file") << "work/afile.txt/x" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("no permission") << "work/beta" << true;
}

void TestDirectoryList::refusesWhatCannotBeEntered()
{
    QFETCH(QString, target);
    QFETCH(bool, locked);
    if (locked && permissionsAreIgnored())
        QSKIP("this user enters every directory");

    DirectoryList list;
    list.setVolumes(m_volumes);
    QVERIFY(list.setPath(m_top + "/work/alpha"));
    const QStringList shown = texts(list);
    if (locked) {
        QVERIFY(QFile::setPermissions(m_top + "/work/beta", QFile::WriteOwner));
    }
    auto unlock = qScopeGuard([&] {
        QFile::setPermissions(m_top + "/work/beta",
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });
    QSignalSpy spy(&list, &DirectoryList::pathChanged);

    QVERIFY(!list.setPath(target.isEmpty() ? target : m_top + "/" + target));
    QCOMPARE(list.path(), m_top + "/work/alpha");
    QCOMPARE(texts(list), shown);
    QCOMPARE(spy.count(), 0);
}

void TestDirectoryList::showsTheWayThenSortedSubdirectories()
{
    DirectoryList list;
    list.setVolumes(m_volumes);
    QVERIFY(list.setPath(m_top + "//work/"));
    QCOMPARE(list.path(), m_top + "/work");

    // The volume's root, the open directory, then its visible subdirectories
    // in case-blind order; the file and the hidden directory are not shown.
    QCOMPARE(texts(list), QStringList({ m_top, "work", "alpha", "beta", "Zeta" }));
    const QList<int> depths { 0, 1, 2, 2, 2 };
    for (int i = 0; i < list.count(); ++i)
        QCOMPARE(list.item(i)->data(DirectoryList::DepthRole).toInt(), depths.at(i));
    QCOMPARE(list.item(0)->data(DirectoryList::PathRole).toString(), m_top);
    QCOMPARE(list.item(4)->data(DirectoryList::PathRole).toString(), m_top + "/work/Zeta");
    QCOMPARE(list.currentRow(), 1);
}

void TestDirectoryList::startsTheWayAtTheSystemVolume()
{
    DirectoryList list;
    QVERIFY(list.setPath(m_top + "/work/alpha"));
    const QString root = VolumeList::fromSystem().driveOf(m_top);
    QVERIFY(!root.isEmpty());
    QCOMPARE(list.item(0)->data(DirectoryList::PathRole).toString(), root);
    const int open = list.currentRow();
    QCOMPARE(list.item(open)->data(DirectoryList::PathRole).toString(), m_top + "/work/alpha");
    QCOMPARE(list.item(open)->data(DirectoryList::DepthRole).toInt(), open);
    QCOMPARE(list.item(list.count() - 1)->text(), QStringLiteral("deep"));
}

void TestDirectoryList::opensAnEntry_data()
{
    QTest::addColumn<bool>("byKey");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("expected");

    QTest::newRow("double-click a subdirectory") << false << "alpha"
                                                 << "/work/alpha";
    QTest::newRow("Enter on a subdirectory") << true << "Zeta"
                                             << "/work/Zeta";
    QTest::newRow("double-click an ancestor") << false << "work"
                                              << "/work";
    QTest::newRow("Enter on the root") << true << "<root>"
                                       << "";
}

void TestDirectoryList::opensAnEntry()
{
    QFETCH(bool, byKey);
    QFETCH(QString, entry);
    QFETCH(QString, expected);

    DirectoryList list;
    list.setVolumes(m_volumes);
    list.resize(337, 200);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    // An ancestor can only be opened from below it.
    QVERIFY(
        list.setPath(m_top + (entry.startsWith('<') || entry == "work" ? "/work/alpha" : "/work")));
    QListWidgetItem *item = itemWithText(list, entry == "<root>" ? m_top : entry);
    QVERIFY(item);

    QString seen;
    connect(&list, &DirectoryList::pathChanged, &list, [&] { seen = list.path(); });
    QSignalSpy spy(&list, &DirectoryList::pathChanged);
    if (byKey) {
        list.setCurrentItem(item);
        QTest::keyClick(&list, Qt::Key_Return);
    } else {
        // As the system delivers it: a click, then the second press as a double-click.
        const QPoint at = list.visualItemRect(item).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    }
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.path(), m_top + expected);
    QCOMPARE(seen, m_top + expected); // the list is current inside the signal
    QCOMPARE(list.currentItem()->data(DirectoryList::PathRole).toString(), m_top + expected);
}

void TestDirectoryList::samePathEmitsNothing()
{
    DirectoryList list;
    list.setVolumes(m_volumes);
    QVERIFY(list.setPath(m_top + "/work"));
    QSignalSpy spy(&list, &DirectoryList::pathChanged);
    QVERIFY(list.setPath(m_top + "/work"));
    QVERIFY(list.setPath(m_top + "/work/"));
    QVERIFY(list.setPath(m_top + "/work/alpha/.."));
    list.setCurrentRow(1); // the open directory itself
    QTest::keyClick(&list, Qt::Key_Enter);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(list.path(), m_top + "/work");
}

void TestDirectoryList::openingAVanishedEntryKeepsThePath()
{
    DirectoryList list;
    list.setVolumes(m_volumes);
    QVERIFY(list.setPath(m_top + "/work"));
    QListWidgetItem *beta = itemWithText(list, "beta");
    QVERIFY(beta);
    QVERIFY(QDir(m_top + "/work/beta").removeRecursively());
    QSignalSpy spy(&list, &DirectoryList::pathChanged);

    list.setCurrentItem(beta);
    QTest::keyClick(&list, Qt::Key_Return);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(list.path(), m_top + "/work");
    QCOMPARE(texts(list), QStringList({ m_top, "work", "alpha", "Zeta" }));
}

void TestDirectoryList::refreshLeavesARemovedDirectory()
{
    DirectoryList list;
    list.setVolumes(m_volumes);
    QVERIFY(list.setPath(m_top + "/work/alpha/deep"));
    QVERIFY(QDir(m_top + "/work/alpha").removeRecursively());
    QSignalSpy spy(&list, &DirectoryList::pathChanged);

    list.refresh();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(list.path(), m_top + "/work");
    QCOMPARE(texts(list), QStringList({ m_top, "work", "beta", "Zeta" }));

    list.refresh();
    QCOMPARE(spy.count(), 1);
}

QTEST_MAIN(TestDirectoryList)
#include "TestDirectoryList.moc"
