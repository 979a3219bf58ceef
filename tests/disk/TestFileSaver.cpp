#include "disk/FileSaver.h"
#include "platform/PathStyle.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QDir>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

enum class Before { Nothing, PrivateFile, Link, DanglingLink };

} // namespace

// What the saver does beyond what a run shows: what stands at the
// destination beforehand, the body under way, a destination on another
// volume, and the leftovers of killed runs. Every row runs with both kinds of
// temporary file: one without a name where the file system has them, and the
// hidden one that Windows and network folders get.
class TestFileSaver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void destination_data()
    {
        // clang-format off
        // outside: what a link there points to, afterwards
        dataTable<FileSaver::Temporaries, Before, bool, QByteArray, QByteArray>({ "kind", "before", "ok", "after", "outside" });
        for (const auto kind : { FileSaver::Temporaries::Unnamed, FileSaver::Temporaries::Named }) {
            const char *k = kind == FileSaver::Temporaries::Named ? ", hidden file" : "";
            QTest::addRow("new file%s", k) << kind << Before::Nothing << true << "n"_ba << "<missing>"_ba;
            QTest::addRow("a private file stays private%s", k) << kind << Before::PrivateFile << true << "n"_ba << "<missing>"_ba;
            QTest::addRow("a symlink is replaced, not written through%s", k) << kind << Before::Link << true << "n"_ba << "keep me"_ba;
            QTest::addRow("a dangling symlink is not followed%s", k) << kind << Before::DanglingLink << false << "<missing>"_ba << "<missing>"_ba;
        }
        // clang-format on
    }

    void destination()
    {
        const auto [kind, before, ok]
            = fetch<FileSaver::Temporaries, Before, bool>("kind", "before", "ok");
        QTemporaryDir dir;
        const QString folder = dir.filePath(u"local"_s), outside = dir.filePath(u"outside"_s);
        const QString destination = folder + u"/a.jpg"_s;
        QVERIFY(QDir().mkdir(folder));
        if (before == Before::PrivateFile)
            QVERIFY(writeFile(destination, "old") && setUserMark(destination));
        if (before == Before::Link)
            QVERIFY(writeFile(outside, "keep me"));
        if (before == Before::Link || before == Before::DanglingLink) {
            if (Platform::pathStyle() == PathStyle::Windows)
                QSKIP("links at the destination: a Unix row (Qt makes shortcuts on Windows)");
            QVERIFY(QFile::link(outside, destination));
        }

        const QStringList listed = QDir(folder).entryList(QDir::Files);
        FileSaver saver(kind);
        // One byte is a whole file too; the fallback folder is not needed here.
        QVERIFY(saver.begin(folder, dir.path()));
        saver.device()->write("n");
        // A file manager's listing does not show the body under way.
        QCOMPARE(QDir(folder).entryList(QDir::Files), listed);
        QCOMPARE(saver.commit(destination, ok), ok ? FileSaver::Saved::Yes : FileSaver::Saved::No);
        QTEST(readAll(destination), "after");
        QTEST(readAll(outside), "outside");
        {
            FileSaver dropped(kind); // as by a run ended with a body under way
            QVERIFY(dropped.begin(folder) && dropped.device()->write("x"));
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList(u"a.jpg"_s));
        // The mark a user set stays; a new file has none (the temporary
        // file's hidden attribute does not come along).
        QCOMPARE(hasUserMark(destination), before == Before::PrivateFile);
    }

    void elsewhere_data()
    {
        QTest::addColumn<FileSaver::Temporaries>("kind");
        QTest::newRow("unnamed") << FileSaver::Temporaries::Unnamed;
        QTest::newRow("hidden file") << FileSaver::Temporaries::Named;
    }

    // The base directory may move to another volume while the body arrives
    // (the user picked another one): the body follows it there, whole, and
    // leaves nothing behind.
    void elsewhere()
    {
        QFETCH(FileSaver::Temporaries, kind);
        QTemporaryDir here, there(u"/dev/shm/seqget-XXXXXX"_s);
        if (!there.isValid()
            || QStorageInfo(there.path()).device() == QStorageInfo(here.path()).device())
            QSKIP("needs a second volume (/dev/shm)");
        const QByteArray body((1 << 20) + 3, 'b');
        FileSaver saver(kind);
        QVERIFY(saver.begin(here.path()));
        saver.device()->write(body);
        QCOMPARE(saver.commit(there.filePath(u"a.jpg"_s), true), FileSaver::Saved::Yes);
        QCOMPARE(entriesBelow(here.path()), QStringList());
        QCOMPARE(readAll(there.filePath(u"a.jpg"_s)), body);
        QCOMPARE(entriesBelow(there.path()), QStringList(u"a.jpg"_s));
    }

    // Temporary files of Seqget's own naming: one a killed run left long
    // ago, one a running Seqget still writes (it holds the lock), one that
    // may only just have been made; and a file of someone else's.
    void leftoversOfKilledRuns()
    {
        QTemporaryDir dir;
        const QString stale = u".seqget-00000000000000aa.part"_s,
                      held = u".seqget-00000000000000bb.part"_s,
                      young = u".seqget-00000000000000cc.part"_s, other = u".other.part"_s;
        QFile writer(dir.filePath(held));
        for (const QString &name : { stale, held, young, other }) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (name != young)
                QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-600),
                                         QFileDevice::FileModificationTime));
        }
        QVERIFY(writer.open(QIODevice::ReadWrite) && holdLikeAWriter(writer));
        // Each leftover looked at is closed again (none to count on Windows).
        const auto openFiles = [] { return QDir(u"/proc/self/fd"_s).count(); };
        const auto filesBefore = openFiles();
        FileSaver saver;
        QVERIFY(saver.begin(dir.path()));
        saver.device()->write("new");
        QCOMPARE(saver.commit(dir.filePath(u"a.jpg"_s), true), FileSaver::Saved::Yes);
        QCOMPARE(entriesBelow(dir.path()), QStringList({ other, held, young, u"a.jpg"_s }));
        QCOMPARE(openFiles(), filesBefore);
    }
};

QTEST_GUILESS_MAIN(TestFileSaver)
#include "TestFileSaver.moc"
