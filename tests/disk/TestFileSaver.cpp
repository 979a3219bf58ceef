#include "disk/FileSaver.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::StringLiterals;

// What the saver does beyond the run's replies: what stands at the
// destination beforehand, and the leftovers of killed runs.
class TestFileSaver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void destination_data()
    {
        // A symlink to a file outside the folder, one to nothing there, a
        // file only its owner may read, or one an empty body must not replace.
        // The body waits in a file with no name where the file system has
        // them, else in a hidden one; both kinds must give the same result.
        QTest::addColumn<FileSaver::Temporaries>("kind");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("after");
        for (const auto kind : { FileSaver::Temporaries::Unnamed, FileSaver::Temporaries::Named }) {
            const char *k = kind == FileSaver::Temporaries::Named ? ", named" : "";
            QTest::addRow("symlink is replaced%s", k) << kind << u"link"_s << true << "new"_ba;
            QTest::addRow("dangling symlink not followed%s", k)
                << kind << u"dangling"_s << false << "<missing>"_ba;
            QTest::addRow("private file stays private%s", k)
                << kind << u"private"_s << true << "new"_ba;
            QTest::addRow("new file%s", k) << kind << u"nothing"_s << true << "new"_ba;
            QTest::addRow("empty body keeps the file%s", k)
                << kind << u"file"_s << true << "old"_ba;
            QTest::addRow("abandoned%s", k) << kind << u"nothing"_s << true << "<missing>"_ba;
        }
    }

    void destination()
    {
        QFETCH(FileSaver::Temporaries, kind);
        QFETCH(QString, before);
        QFETCH(bool, ok);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"local"_s), outside = dir.filePath(u"outside"_s);
        const QString destination = folder + u"/a.jpg"_s;
#ifdef Q_OS_WIN
        if (before == u"link" || before == u"dangling")
            QSKIP("links at the destination: a Unix row (Qt makes shortcuts on Windows)");
#endif
        QVERIFY(QDir().mkdir(folder));
        if (before == u"private" || before == u"file")
            QVERIFY(writeFile(destination, "old"));
        if (before == u"private")
            QVERIFY(setUserMark(destination));
        if (before == u"link")
            QVERIFY(writeFile(outside, "keep me"));
        if (before == u"link" || before == u"dangling")
            QVERIFY(QFile::link(outside, destination));

        const QStringList listed = QDir(folder).entryList(QDir::Files);
        auto saver = std::make_unique<FileSaver>(kind);
        QVERIFY(saver->begin(folder));
        const QByteArray tag = QTest::currentDataTag();
        const bool emptyBody = tag.startsWith("empty body");
        if (!emptyBody)
            saver->device()->write("new");
        // A file manager's listing does not show the body under way.
        QCOMPARE(QDir(folder).entryList(QDir::Files), listed);
        // As when a run is dropped halfway: nothing of the body is left.
        if (tag.startsWith("abandoned"))
            saver.reset();
        else
            QCOMPARE(saver->commit(destination, ok), ok && !emptyBody);
        QCOMPARE(readAll(destination), after);
        QCOMPARE(entriesBelow(folder),
                 after == "<missing>" && before == u"nothing" ? QStringList()
                                                              : QStringList { u"a.jpg"_s });
        QVERIFY(openFilesIn(folder) <= 0);
        QCOMPARE(readAll(outside), before == u"link" ? "keep me"_ba : "<missing>"_ba);
        // The mark a user set stays; a new file has none (the temporary
        // file's hidden attribute does not come along).
        if (after == "new")
            QCOMPARE(hasUserMark(destination), before == u"private");
    }

    void leftoversOfKilledRuns()
    {
        // Temporary files of Seqget's own naming: one a killed run left long ago,
        // one a running Seqget still writes (it holds the lock), one that may
        // only just have been made; and a file of someone else's.
        QTemporaryDir dir;
        const QString stale = u".seqget-00000000000000aa.part"_s,
                      held = u".seqget-00000000000000bb.part"_s,
                      young = u".seqget-00000000000000cc.part"_s, other = u".other.part"_s;
        const QDateTime longAgo = QDateTime::currentDateTime().addSecs(-600);
        QFile writer(dir.filePath(held));
        for (const QString &name : { stale, held, young, other }) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (name != young)
                QVERIFY(file.setFileTime(longAgo, QFileDevice::FileModificationTime));
        }
        QVERIFY(writer.open(QIODevice::ReadWrite));
        QVERIFY(holdLikeAWriter(writer));

        FileSaver saver;
        QVERIFY(saver.begin(dir.path()));
        saver.device()->write("new");
        QVERIFY(saver.commit(dir.filePath(u"a.jpg"_s), true));
        QCOMPARE(entriesBelow(dir.path()), QStringList({ other, held, young, u"a.jpg"_s }));
    }

    // On Windows a scanner may look into the file about to be replaced for a
    // moment: the save waits that out, but not a file held open for good,
    // which stays as it was.
    void destinationHeldOpen_data()
    {
        QTest::addColumn<int>("heldMs");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("for a moment") << 300 << "new"_ba;
        QTest::newRow("for long") << 3000 << "old"_ba;
    }

    void destinationHeldOpen()
    {
        QFETCH(int, heldMs);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString destination = dir.filePath(u"a.jpg"_s);
        QVERIFY(writeFile(destination, "old"));
        std::thread scanner = holdLikeAScanner(destination, heldMs);
        if (!scanner.joinable())
            QSKIP("files are held so on Windows only");
        FileSaver saver;
        QVERIFY(saver.begin(dir.path()));
        saver.device()->write("new");
        const bool saved = saver.commit(destination, true);
        scanner.join();
        QCOMPARE(saved, after == "new");
        QCOMPARE(readAll(destination), after);
        QCOMPARE(entriesBelow(dir.path()), QStringList { u"a.jpg"_s });
    }
};

QTEST_GUILESS_MAIN(TestFileSaver)
#include "TestFileSaver.moc"
