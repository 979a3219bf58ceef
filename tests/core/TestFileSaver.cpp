#include "FileSaver.h"
#include "RunRig.h"

#include <QTest>

class TestFileSaver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commit_data();
    void commit();
};

void TestFileSaver::commit_data()
{
    // before: what stands at the destination: nothing, a file, or a symlink
    // to a file outside the folder ("link") or to nothing there ("dangling").
    QTest::addColumn<QString>("before");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("after");

    const QByteArray old(5000, 'o'), fresh("new"), part("part"), none;
    QTest::newRow("failed, file missing") << "" << part << false << none;
    QTest::newRow("empty body, file exists") << "file" << none << true << old;
    QTest::newRow("empty body, file missing") << "" << none << true << none;
    QTest::newRow("symlink is replaced") << "link" << fresh << true << fresh;
    QTest::newRow("dangling symlink not followed")
        << "dangling" << none << false << QByteArray("<missing>");
}

void TestFileSaver::commit()
{
    QFETCH(QString, before);
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QByteArray, after);
    QTemporaryDir dir;
    const QString folder = dir.filePath("local"), outside = dir.filePath("outside");
    const QString destination = folder + QStringLiteral("/a.jpg");
    QVERIFY(QDir().mkdir(folder));
    if (before == u"file")
        QVERIFY(writeFile(destination, QByteArray(5000, 'o')));
    if (before == u"link")
        QVERIFY(writeFile(outside, "keep me"));
    if (before == u"link" || before == u"dangling")
        QVERIFY(QFile::link(outside, destination));

    FileSaver saver;
    QVERIFY(saver.begin(folder));
    saver.device()->write(body);
    QCOMPARE(saver.commit(destination, ok), after == "new");
    QCOMPARE(readAll(destination), after);
    QCOMPARE(entriesBelow(folder), QStringList { QStringLiteral("a.jpg") });
    QCOMPARE(readAll(outside), before == u"link" ? QByteArray("keep me") : QByteArray("<missing>"));
}

QTEST_GUILESS_MAIN(TestFileSaver)
#include "TestFileSaver.moc"
