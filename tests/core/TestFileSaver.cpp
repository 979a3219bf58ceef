#include "FileSaver.h"
#include "RunRig.h"

#include <QTest>
#include <sys/file.h>

class TestFileSaver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commit_data();
    void commit();
    void leftoversOfKilledRuns();
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
    QTest::newRow("private file stays private") << "private" << fresh << true << fresh;
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
    if (before == u"file" || before == u"private")
        QVERIFY(writeFile(destination, QByteArray(5000, 'o')));
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    if (before == u"private")
        QVERIFY(QFile::setPermissions(destination, ownerOnly));
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
    if (before == u"private")
        QCOMPARE(QFile::permissions(destination) & 0xf0ff, ownerOnly); // owner, group, others
}

void TestFileSaver::leftoversOfKilledRuns()
{
    // Temporary files of Seqget's own naming: one a killed run left long ago,
    // one a running Seqget still writes (it holds the lock), one that may
    // only just have been made; and a file of someone else's.
    QTemporaryDir dir;
    const QString stale = u".seqget-00000000000000aa.part"_qs,
                  held = u".seqget-00000000000000bb.part"_qs,
                  young = u".seqget-00000000000000cc.part"_qs, other = u".other.part"_qs;
    const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-600);
    QFile writer(dir.filePath(held));
    for (const QString &name : { stale, held, young, other }) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (name != young)
            QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
    }
    QVERIFY(writer.open(QIODevice::ReadWrite));
    QCOMPARE(::flock(writer.handle(), LOCK_EX | LOCK_NB), 0);

    FileSaver saver;
    QVERIFY(saver.begin(dir.path()));
    saver.device()->write("new");
    QVERIFY(saver.commit(dir.filePath("a.jpg"), true));
    QCOMPARE(entriesBelow(dir.path()), QStringList({ other, held, young, u"a.jpg"_qs }));
}

QTEST_GUILESS_MAIN(TestFileSaver)
#include "TestFileSaver.moc"
