#include "run/DownloadRun.h"
#include "job/JobBox.h"
#include "run/SystemRunPlatform.h"
#include "support/RecordingPlatform.h"
#include "support/TestFiles.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A whole run without a window: the test server, a temporary base directory,
// the real transfer and run, which gives up after a second without progress,
// and the job of the series /s/hana001.jpg .. hana003.jpg. What the run says
// is traced ("Active", "file <url> <path>").
class RunRig final
{
public:
    RunRig()
    {
        server.listen();
        QDir(root.path()).mkdir(u"base"_s);
        const QStringList texts { server.baseUrl(), "s", "hana", "jpg", "3", "1", "3", "" };
        for (const JobField &field : jobFields)
            job.state.*field.field = texts.at(int(field.box));
        job.state.SYNC = 1;
        job.baseDirectory = root.filePath(u"base"_s);
        QObject::connect(run.get(), &DownloadRun::stateChanged, [this](DownloadRun::State state) {
            trace << QVariant::fromValue(state).toString();
        });
        QObject::connect(run.get(), &DownloadRun::fileStarted,
                         [this](const QString &url, const QString &path) {
                             trace << u"file "_s + url + u' ' + path;
                         });
    }

    // Joined as the naming rules join them, with the platform's separator.
    QString folder() const { return job.baseDirectory + QDir::separator() + u"s"_s; }
    QString localFile(const QString &name) const { return folder() + QDir::separator() + name; }

    // Serves body for /s/<name>, or for another path; a held one waits for
    // server.release().
    void serve(const QString &name, const QByteArray &body, bool hold = false)
    {
        const QByteArray path = name.startsWith(u'/') ? name.toUtf8() : "/s/" + name.toUtf8();
        server.responses.insert(path, reply(200, body));
        server.responses[path].hold = hold;
    }

    // Presses the button and waits for the run's end; false on a hang.
    bool runToEnd()
    {
        QSignalSpy spy(run.get(), &DownloadRun::finished);
        run->StartStop(job);
        return !spy.isEmpty() || spy.wait(30000);
    }

    QTemporaryDir root;
    TestHttpServer server;
    RecordingPlatform platform { root.filePath(u"Seqget.log"_s) };
    RunJob job;
    QStringList trace;
    std::unique_ptr<DownloadRun> run
        = std::make_unique<DownloadRun>(platform, TransferOptions { std::chrono::seconds(1), {} });
};

// Starts files 1 to 3 with file 2 held, and waits until file 2 is asked for.
bool startWithSecondFileHeld(RunRig &rig)
{
    rig.serve(u"hana001.jpg"_s, "one");
    rig.serve(u"hana002.jpg"_s, "two", true);
    rig.job.state.LOG = rig.job.state.BEEP = true;
    rig.run->StartStop(rig.job);
    return QTest::qWaitFor([&rig] { return rig.server.requests.size() == 2; });
}

} // namespace

class TestDownloadRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void series_data()
    {
        QTest::addColumn<QString>("boxes"); // KETA, START, STOP
        QTest::addColumn<QString>("files"); // fetched, in order
        QTest::newRow("1..3 in order") << "3 1 3" << u"hana001.jpg hana002.jpg hana003.jpg"_s;
        QTest::newRow("START > STOP") << "3 5 3" << QString();
        QTest::newRow("STOP 32767") << "0 32766 32767" << u"hana32766.jpg hana32767.jpg"_s;
        QTest::newRow("KETA 3.5, START 2.5") << "3.5 2.5 2" << u"hana0002.jpg"_s;
    }

    // Every effect of two runs in order: a file is saved whole before the
    // next is asked for, and the second run replaces the files of the first.
    // The server, like some proxies, closes a kept-alive connection under
    // every request after its first (libcurl asks again on a new one).
    void series()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, files);
        RunRig rig;
        rig.server.dropReusedConnections = true;
        for (int i = 0; i < 3; ++i)
            rig.job.state.*jobField(JobBox(int(JobBox::KETA) + i)).field
                = boxes.section(u' ', i, i);
        rig.job.state.LOG = rig.job.state.BEEP = true;
        const QStringList names = files.split(u' ', Qt::SkipEmptyParts);
        QStringList expected { u"Active"_s };
        for (const QString &name : names)
            expected << "file " + rig.server.baseUrl() + "s/" + name + ' ' + rig.localFile(name)
                     << "fetch /s/" + name;
        expected << u"Ending"_s << u"Idle"_s;
        // The second run gets shorter bodies than the files already there.
        int copies = 99;
        connect(&rig.server, &TestHttpServer::requestReceived, this, [&](const QByteArray &path) {
            const QString before = names.value(names.indexOf(QString::fromUtf8(path.mid(3))) - 1);
            const bool early = !before.isEmpty()
                && readAll(rig.localFile(before)) != before.toUtf8().repeated(copies);
            rig.trace.append("fetch " + QString::fromUtf8(path) + (early ? " early" : ""));
        });
        for (const int n : { 99, 1 }) {
            copies = n;
            for (const QString &name : names)
                rig.serve(name, name.toUtf8().repeated(copies));
            QVERIFY(rig.runToEnd());
        }
        QCOMPARE(rig.trace, expected + expected);
        for (const QString &name : names)
            QCOMPARE(readAll(rig.localFile(name)), name.toUtf8());
        QCOMPARE(rig.platform.folders, QStringList(2, rig.folder()));
        // Each line holds the address of the last file begun, or, where the run
        // began none, the one the status line still shows from earlier.
        const QString last
            = names.isEmpty() ? QString() : rig.server.baseUrl() + "s/" + names.last();
        QCOMPARE(readAll(rig.platform.logFilePath()),
                 ('"' + last + ",\"\r\n").toLocal8Bit().repeated(2));
        QCOMPARE(rig.platform.beeps, 2);
    }

    void stopDuringFile()
    {
        RunRig rig;
        QSignalSpy finished(rig.run.get(), &DownloadRun::finished);
        QVERIFY(startWithSecondFileHeld(rig));
        rig.run->StartStop(rig.job); // STOP
        rig.run->StartStop(rig.job); // again while file 2 is still coming: ignored
        QCOMPARE(rig.run->state(), DownloadRun::State::StopRequested);
        rig.server.release("/s/hana002.jpg");
        QVERIFY(finished.wait(5000));
        QCOMPARE(rig.server.requests.size(), 2);
        QCOMPARE(readAll(rig.localFile(u"hana002.jpg"_s)), "two"_ba);
        QCOMPARE(rig.platform.beeps, 1);
        QCOMPARE(finished.size(), 1);
        // A run that begins no file logs the last address of the one before.
        rig.job.state.START = u"9"_s;
        QVERIFY(rig.runToEnd());
        QCOMPARE(readAll(rig.platform.logFilePath()),
                 ('"' + rig.server.baseUrl() + "s/hana002.jpg,\"\r\n").toLocal8Bit().repeated(2));
    }

    // Beside the program where the user may write, never into a system
    // folder, even for root; else in the user's data folder.
    void logFileOfTheProgram()
    {
        QTemporaryDir home;
#ifdef Q_OS_WIN
        // Windows names the data folder itself; test mode keeps this one apart.
        QStandardPaths::setTestModeEnabled(true);
        const auto normal = qScopeGuard([] { QStandardPaths::setTestModeEnabled(false); });
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QStringList programs = { home.path(), home.filePath(u"gone"_s) };
#else
        const QString data = home.filePath(u"data"_s);
        qputenv("XDG_DATA_HOME", QFile::encodeName(data));
        const QStringList programs = { home.path(), home.filePath(u"gone"_s), u"/usr/bin"_s };
#endif
        QStringList places;
        for (const QString &program : programs)
            places << SystemRunPlatform::logFilePathFor(program);
        QStringList expected = { home.filePath(u"Seqget.log"_s) };
        while (expected.size() < programs.size())
            expected << data + u"/Seqget/Seqget.log"_s;
        QCOMPARE(places, expected);
    }

    // As when the window closes during a file: it is dropped, and the view
    // is not touched again.
    void destroyedMidRun()
    {
        RunRig rig;
        QVERIFY(startWithSecondFileHeld(rig));
        // File 1, and file 2 under way (-1: the platform cannot count them).
        QCOMPARE(readAll(rig.localFile(u"hana001.jpg"_s)), "one"_ba);
        QVERIFY(QList<int>({ 1, -1 }).contains(openFilesIn(rig.folder())));
        const QStringList traceBefore = rig.trace;
        rig.run.reset();
        rig.server.release("/s/hana002.jpg");
        QCOMPARE(entriesBelow(rig.folder()), QStringList { u"hana001.jpg"_s });
        QVERIFY(openFilesIn(rig.folder()) <= 0);
        QCOMPARE(rig.trace, traceBefore);
    }

    // Every number is still requested; only a safe folder is made, and stays empty.
    void unsafeNames()
    {
        const QList<std::pair<JobBox, QString>> names = { { JobBox::FNTOP, u"../../x"_s },
                                                          { JobBox::FLD, u".."_s },
                                                          { JobBox::PCFLD, u"../out"_s } };
        QStringList made;
        for (const auto &[box, text] : names) {
            RunRig rig;
            rig.job.state.*jobField(box).field = text;
            rig.job.state.SYNC = box == JobBox::PCFLD ? 0 : 1;
            QVERIFY(rig.runToEnd());
            made << text + u": "_s + QString::number(rig.server.requests.size()) + u' '
                    + entriesBelow(rig.root.path()).join(u',');
        }
        QCOMPARE(made.join(u"; "), u"../../x: 3 base,base/s; ..: 3 base; ../out: 3 base"_s);
    }

    void editsDuringAFile_data()
    {
        QTest::addColumn<bool>("baseAppears"); // else the folder box is mended
        QTest::addColumn<QString>("saved");
        QTest::newRow("folder box mended") << false << u"s s/hana001.jpg s/other002.jpg"_s;
        // With nowhere to keep the body, no empty file may pass for it.
        QTest::newRow("base directory made meanwhile") << true << u"s s/other002.jpg"_s;
    }

    // The local folder cannot take file 1 when its fetch starts, and can by
    // the time it has arrived; a prefix typed meanwhile names file 2. Each
    // file goes where the boxes say when it is saved, and nothing is left behind.
    void editsDuringAFile()
    {
        QFETCH(bool, baseAppears);
        QFETCH(QString, saved);
        RunRig rig;
        if (baseAppears)
            rig.job.baseDirectory = rig.root.filePath(u"later"_s);
        else
            rig.job.state.FLD = u"bad/name"_s;
        QVERIFY(baseAppears || QDir().mkpath(rig.folder()));
        const QString first = baseAppears ? u"/s/hana001.jpg"_s : u"/bad/name/hana001.jpg"_s;
        rig.serve(first, "one", true);
        rig.serve(u"other002.jpg"_s, "two");
        rig.job.state.STOP = u"2"_s;
        QSignalSpy finished(rig.run.get(), &DownloadRun::finished);
        rig.run->StartStop(rig.job);
        QTRY_COMPARE(rig.server.requests.size(), 1);
        // As the window hands them over: the numbers and the proxy typed
        // meanwhile no longer count, the names do.
        rig.job.state.FLD = u"s"_s;
        rig.job.state.FNTOP = u"other"_s;
        rig.job.state.STOP = u"1"_s;
        rig.job.state.PROXY = true;
        rig.run->jobChanged(rig.job);
        QVERIFY(QDir().mkpath(rig.folder()));
        rig.server.release(first.toUtf8());
        QVERIFY(finished.wait(5000));
        QCOMPARE(entriesBelow(rig.job.baseDirectory).join(u' '), saved);
    }
};

QTEST_GUILESS_MAIN(TestDownloadRun)
#include "TestDownloadRun.moc"
