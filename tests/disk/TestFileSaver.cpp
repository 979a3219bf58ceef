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
            QTest::addRow("new file%s", k) << kind << Before::Nothing << true << "new"_ba << "<missing>"_ba;
            QTest::addRow("a private file stays private%s", k) << kind << Before::PrivateFile << true << "new"_ba << "<missing>"_ba;
            QTest::addRow("a symlink is replaced, not written through%s", k) << kind << Before::Link << true << "new"_ba << "keep me"_ba;
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
        QVERIFY(saver.begin(folder));
        saver.device()->write("new");
        // A file manager's listing does not show the body under way.
        QCOMPARE(QDir(folder).entryList(QDir::Files), listed);
        QCOMPARE(saver.commit(destination, ok), ok ? FileSaver::Saved::Yes : FileSaver::Saved::No);
        QTEST(readAll(destination), "after");
        QTEST(readAll(outside), "outside");
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList(u"a.jpg"_s));
        // The mark a user set stays; a new file has none (the temporary
        // file's hidden attribute does not come along).
        QCOMPARE(hasUserMark(destination), before == Before::PrivateFile);
    }

    void elsewhere_data()
    {
        // clang-format off
        // dropped: the saver goes before the save, as a run destroyed midway
        dataTable<FileSaver::Temporaries, bool>({ "kind", "dropped" });
        QTest::newRow("moved to another volume") << FileSaver::Temporaries::Unnamed << false;
        QTest::newRow("moved to another volume, hidden file") << FileSaver::Temporaries::Named << false;
        QTest::newRow("dropped halfway") << FileSaver::Temporaries::Unnamed << true;
        QTest::newRow("dropped halfway, hidden file") << FileSaver::Temporaries::Named << true;
        // clang-format on
    }

    // The base directory may move to another volume while the body arrives
    // (the user picked another one): the body follows it there, whole. A
    // saver dropped halfway leaves nothing behind in either place.
    void elsewhere()
    {
        const auto [kind, dropped] = fetch<FileSaver::Temporaries, bool>("kind", "dropped");
        QTemporaryDir here, there(u"/dev/shm/seqget-XXXXXX"_s);
        if (!there.isValid()
            || QStorageInfo(there.path()).device() == QStorageInfo(here.path()).device())
            QSKIP("needs a second volume (/dev/shm)");
        const QByteArray body((1 << 20) + 3, 'b');
        auto saver = std::make_unique<FileSaver>(kind);
        QVERIFY(saver->begin(here.path()));
        saver->device()->write(body);
        if (dropped)
            saver.reset();
        else
            QCOMPARE(saver->commit(there.filePath(u"a.jpg"_s), true), FileSaver::Saved::Yes);
        QCOMPARE(entriesBelow(here.path()), QStringList());
        QCOMPARE(readAll(there.filePath(u"a.jpg"_s)), dropped ? "<missing>"_ba : body);
        QCOMPARE(entriesBelow(there.path()).size(), dropped ? 0 : 1);
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
        FileSaver saver;
        QVERIFY(saver.begin(dir.path()));
        saver.device()->write("new");
        QCOMPARE(saver.commit(dir.filePath(u"a.jpg"_s), true), FileSaver::Saved::Yes);
        QCOMPARE(entriesBelow(dir.path()), QStringList({ other, held, young, u"a.jpg"_s }));
    }

    void heldOrReadOnly_data()
    {
        // clang-format off
        // first: what a first commit gives; after: the destination once a
        // second commit follows the hold
        dataTable<bool, bool, FileSaver::Saved, QByteArray>({ "held", "readOnly", "first", "after" });
        QTest::newRow("held by a scanner") << true << false << FileSaver::Saved::Held << "new"_ba;
        QTest::newRow("read-only") << false << true << FileSaver::Saved::No << "old"_ba;
        // clang-format on
    }

    // Windows' rules: a scanner that looks into the file about to be
    // replaced, without sharing its deletion, holds it for a moment, and the
    // body waits beside it without waiting itself; a read-only file is not
    // replaced, and is seen so at once.
    void heldOrReadOnly()
    {
        if (Platform::pathStyle() != PathStyle::Windows)
            QSKIP("Windows' rules (Unix replaces such files: the folder's permissions decide)");
        const auto [held, readOnly] = fetch<bool, bool>("held", "readOnly");
        QTemporaryDir dir;
        const QString destination = dir.filePath(u"a.jpg"_s);
        QVERIFY(writeFile(destination, "old"));
        QVERIFY(!readOnly || QFile::setPermissions(destination, QFile::ReadOwner));
        std::thread scanner = held ? holdLikeAScanner(destination, 500) : std::thread();
        FileSaver saver(FileSaver::Temporaries::Named);
        QVERIFY(saver.begin(dir.path()));
        saver.device()->write("new");
        QTEST(saver.commit(destination, true), "first");
        if (scanner.joinable())
            scanner.join();
        saver.commit(destination, true);
        QTEST(readAll(destination), "after");
        QCOMPARE(entriesBelow(dir.path()), QStringList { u"a.jpg"_s });
    }
};

QTEST_GUILESS_MAIN(TestFileSaver)
#include "TestFileSaver.moc"
