#include "job/JobBox.h"
#include "platform/PathStyle.h"
#include "run/DownloadRun.h"
#include "run/SystemRunPlatform.h"
#include "support/RecordingPlatform.h"
#include "support/Rows.h"
#include "support/TestFiles.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <ctime>
#include <functional>

using namespace Qt::StringLiterals;
using Runs = QList<QStringList>;

namespace {

// A whole run without a window: the test server, a temporary base directory,
// the real transfer and run (giving up after a second without progress), and
// the job of the series /s/hana001.jpg .. hana002.jpg with LOG and BEEP on.
// The server serves every name it is asked for as its own body.
struct RunRig
{
    RunRig()
    {
        server.listen();
        QDir(root.path()).mkdir(u"base"_s);
        const QStringList texts { server.baseUrl(), "s", "hana", "jpg", "3", "1", "2", "" };
        for (const JobField &field : jobFields)
            job.state.*field.field = texts.at(int(field.box));
        job.state.SYNC = 1;
        job.state.LOG = job.state.BEEP = true;
        job.baseDirectory = root.filePath(u"base"_s);
        QObject::connect(&server, &TestHttpServer::requestReceived, [this](const QByteArray &path) {
            requested << QString::fromUtf8(path);
            if (!server.responses.contains(path))
                server.responses.insert(path, reply(200, path.mid(path.lastIndexOf('/') + 1)));
            server.responses[path].hold = requested.size() == holdAt;
        });
    }

    // Joined as the naming rules join them, with the platform's separator.
    QString local(const QString &name) const
    {
        return job.baseDirectory + QDir::separator() + u"s"_s + QDir::separator() + name;
    }
    // Presses the button and waits for the run's end; false on a hang.
    bool runToEnd()
    {
        QSignalSpy spy(run.get(), &DownloadRun::finished);
        run->StartStop(job);
        return !spy.isEmpty() || spy.wait(30000);
    }
    // Starts the run and waits until its request number n is in, held
    // until released.
    bool startHeldAt(int n)
    {
        holdAt = n;
        run->StartStop(job);
        return QTest::qWaitFor([&] { return requested.size() == n; });
    }
    void release() { server.release(requested.at(holdAt - 1).toUtf8()); }

    QTemporaryDir root;
    TestHttpServer server;
    QStringList requested;
    int holdAt = 0;
    RecordingPlatform platform { root.filePath(u"Seqget.log"_s) };
    RunJob job;
    std::unique_ptr<DownloadRun> run
        = std::make_unique<DownloadRun>(platform, TransferOptions { std::chrono::seconds(1), {} });
};

using Edit = std::function<void(RunRig &)>;

QByteArray logLines(const RunRig &rig, const QStringList &names)
{
    QString lines;
    for (const QString &name : names)
        lines += u'"' + rig.server.baseUrl() + u"s/"_s + name + u",\"\r\n"_s;
    return lines.toLocal8Bit();
}

} // namespace

Q_DECLARE_METATYPE(Edit)

class TestDownloadRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Only the proxy the user chose counts: one from the environment would
    // send every direct run where nothing listens.
    void initTestCase()
    {
        for (const char *variable : { "http_proxy", "HTTPS_PROXY", "ALL_PROXY" })
            qputenv(variable, "http://127.0.0.1:9");
        qputenv("no_proxy", "*");
    }

    void series_data()
    {
        // clang-format off
        // runs: KETA, START, STOP of each run in turn; fetched: over all runs,
        // in order; logged: the last file begun, per run
        dataTable<Runs, QStringList, QStringList>({ "runs", "fetched", "logged" });
        QTest::newRow("1..3 in order") << Runs { { "3", "1", "3" } } << QStringList { "hana001.jpg", "hana002.jpg", "hana003.jpg" } << QStringList { "hana003.jpg" };
        QTest::newRow("first equals last") << Runs { { "3", "2", "2" } } << QStringList { "hana002.jpg" } << QStringList { "hana002.jpg" };
        QTest::newRow("first beyond last logs the run before") << Runs { { "3", "1", "1" }, { "3", "5", "3" } } << QStringList { "hana001.jpg" } << QStringList { "hana001.jpg", "hana001.jpg" };
        QTest::newRow("numbers as typed: 3.5 digits, +2.5, blanks") << Runs { { "3.5", "+2.5", " 2 " } } << QStringList { "hana0002.jpg" } << QStringList { "hana0002.jpg" };
        QTest::newRow("no digits, negative numbers") << Runs { { "-1", "-2", "-1" } } << QStringList { "hana-2.jpg", "hana-1.jpg" } << QStringList { "hana-1.jpg" };
        QTest::newRow("ends at 32767") << Runs { { "0", "32766", "32767" } } << QStringList { "hana32766.jpg", "hana32767.jpg" } << QStringList { "hana32767.jpg" };
        QTest::newRow("a number beyond 16 bits keeps the last run's") << Runs { { "3", "2", "2" }, { "abc", "40000", "3" } } << QStringList { "hana002.jpg", "hana3.jpg" } << QStringList { "hana002.jpg", "hana3.jpg" };
        // clang-format on
    }

    // The files fetched in order, each saved whole before the next is asked
    // for, the folder made at every start, one log line and one beep per run.
    // The server, like some proxies, closes a kept-alive connection under
    // every request after its first (libcurl asks again on a new one).
    void series()
    {
        const auto [runs, fetched, logged]
            = fetch<Runs, QStringList, QStringList>("runs", "fetched", "logged");
        RunRig rig;
        rig.server.dropReusedConnections = true;
        QStringList whole; // the file before each request, as it stands then
        connect(&rig.server, &TestHttpServer::requestReceived, this, [&](const QByteArray &) {
            if (rig.requested.size() > 1)
                whole << QString::fromUtf8(readAll(
                    rig.local(rig.requested.at(rig.requested.size() - 2).section(u'/', -1))));
        });
        for (const QStringList &boxes : runs) {
            for (int i = 0; i < 3; ++i)
                rig.job.state.*jobField(JobBox(int(JobBox::KETA) + i)).field = boxes.at(i);
            QVERIFY(rig.runToEnd());
        }
        QCOMPARE(rig.requested.replaceInStrings(u"/s/"_s, QString()), fetched);
        QCOMPARE(whole, fetched.mid(0, fetched.size() - 1));
        QCOMPARE(readAll(rig.platform.logFilePath()), logLines(rig, logged));
        QCOMPARE(rig.platform.beeps, int(runs.size()));
        QCOMPARE(rig.platform.folders, QStringList(runs.size(), rig.local({}).chopped(1)));
    }

    void bodies_data()
    {
        // clang-format off
        // before: file 1 as it stands, or <missing>; response: the server's
        // answer for it; drops: connections closed before any answer; after:
        // file 1 afterwards. File 2 follows whatever file 1 met.
        const auto row = dataTable<QByteArray, TestResponse, int, QByteArray>({ "before", "response", "drops", "after" });
        const QByteArray big((3 << 20) + 7, 'b'), old = "older and longer";
        TestResponse bodyTrickle = reply(200, QByteArray(40, 't')), headTrickle = reply(200, "late", QByteArray("X-Padding: 12345678\r\n").repeated(100));
        bodyTrickle.trickle = TestResponse::Trickle::Body; // a byte every 150 ms
        headTrickle.trickle = TestResponse::Trickle::Head; // 400 bytes a second for five seconds
        const auto redirect = [](const QByteArray &to) { return TestResponse { "HTTP/1.1 302 Test\r\nLocation: " + to + "\r\n\r\n", TestResponse::Ending::Stall }; };
        row("a body larger than every buffer", "<missing>", reply(200, big), 0, big);
        row("a shorter body replaces a longer file", old, reply(200, "new"), 0, "new");
        row("chunked", old, { "HTTP/1.1 200 Test\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n" }, 0, "hello");
        row("ended by the close", old, { "HTTP/1.1 200 Test\r\n\r\nclosed", TestResponse::Ending::Close }, 0, "closed");
        row("a redirect without length followed at once", old, redirect("/s/other.jpg"), 0, "other.jpg");
        row("asked again after a close before the answer", old, reply(200, "new"), 1, "new");
        row("but not for ever: three times", old, reply(200, "new"), 3, old);
        row("failure leaves an empty file where none was", "<missing>", reply(404, "gone"), 0, "");
        row("an error page leaves a file as it was", old, reply(404, "gone"), 0, old);
        row("a huge error page", old, reply(500, QByteArray(3 << 20, 'e')), 0, old);
        row("an error page without length, not waited for", old, { "HTTP/1.1 404 Test\r\n\r\ngone", TestResponse::Ending::Stall }, 0, old);
        row("a redirect loop without length", old, redirect("/s/hana001.jpg"), 0, old);
        row("a body cut short", old, { reply(200, big).raw.chopped(9), TestResponse::Ending::Close }, 0, old);
        row("a body that stalls", old, { reply(200, big).raw.chopped(9), TestResponse::Ending::Stall }, 0, old);
        row("a body that trickles", old, bodyTrickle, 0, old);
        row("a head that trickles", old, headTrickle, 0, old);
        row("an empty body", old, reply(200, {}), 0, old);
        // clang-format on
    }

    // What becomes of file 1 for each answer, a run of a second's stall
    // limit; the run goes on with file 2 whatever file 1 met.
    void bodies()
    {
        const auto [before, response, drops]
            = fetch<QByteArray, TestResponse, int>("before", "response", "drops");
        RunRig rig;
        QVERIFY(QDir().mkpath(QFileInfo(rig.local({})).path()));
        QVERIFY(before == "<missing>" || writeFile(rig.local(u"hana001.jpg"_s), before));
        rig.server.responses.insert("/s/hana001.jpg", response);
        rig.server.dropFirstRequests = drops;
        QElapsedTimer wall;
        wall.start();
        const std::clock_t cpu = std::clock();
        QVERIFY(rig.runToEnd());
        // A silent server is waited for without spinning (clock() is wall time on Windows).
        const double used = double(std::clock() - cpu) / CLOCKS_PER_SEC;
        QVERIFY2(Platform::pathStyle() == PathStyle::Windows
                     || used < wall.elapsed() / 2000.0 + 0.25,
                 qPrintable(QString::number(used)));
        QTEST(readAll(rig.local(u"hana001.jpg"_s)), "after");
        QCOMPARE(readAll(rig.local(u"hana002.jpg"_s)), "hana002.jpg"_ba);
    }

    void edits_data()
    {
        // clang-format off
        // before: the job as it is when START is pressed; during: the edit the
        // window hands over while file 1 arrives; requested: the requests of
        // files 1 and 2; saved: below the temporary root, where base/p is made
        dataTable<Edit, Edit, QStringList, QStringList, int, int>({ "before", "during", "requested", "saved", "beeps", "logLines" });
        const Edit none = [](RunRig &) {};
        const QStringList asked { "/s/hana001.jpg", "/s/hana002.jpg" };
        const QStringList saved {
            "Seqget.log", "base", "base/p", "base/s", "base/s/hana001.jpg", "base/s/hana002.jpg" };
        QTest::newRow("own folder, sync dimmed") << none << Edit([](RunRig &r) { r.job.state.PCFLD = u"p"_s, r.job.state.SYNC = 2; }) << asked << QStringList { "Seqget.log", "base", "base/p", "base/p/hana001.jpg", "base/p/hana002.jpg", "base/s" } << 1 << 1;
        QTest::newRow("STOP pressed twice: file 1 saved, no other") << none << Edit([](RunRig &r) { r.run->StartStop(r.job), r.run->StartStop(r.job); }) << QStringList { "/s/hana001.jpg" } << QStringList { "Seqget.log", "base", "base/p", "base/s", "base/s/hana001.jpg" } << 1 << 1;
        QTest::newRow("unsafe prefix: asked for, not saved") << Edit([](RunRig &r) { r.job.state.FNTOP = u"../../x"_s; }) << none << QStringList { "/x001.jpg", "/x002.jpg" } << QStringList { "Seqget.log", "base", "base/p", "base/s" } << 1 << 1;
        QTest::newRow("unsafe server folder: no folder made") << Edit([](RunRig &r) { r.job.state.FLD = u".."_s; }) << none << QStringList { "/hana001.jpg", "/hana002.jpg" } << QStringList { "Seqget.log", "base", "base/p" } << 1 << 1;
        QTest::newRow("no base directory: no folder at the root") << Edit([](RunRig &r) { r.job.baseDirectory.clear(); }) << none << asked << QStringList { "Seqget.log", "base", "base/p" } << 1 << 1;
        QTest::newRow("unsafe own folder") << Edit([](RunRig &r) { r.job.state.PCFLD = u"../out"_s, r.job.state.SYNC = 0; }) << none << asked << QStringList { "Seqget.log", "base", "base/p" } << 1 << 1;
        // The body waits in the base directory until the folder box is mended.
        QTest::newRow("folder box mended while the body arrives") << Edit([](RunRig &r) { r.job.state.FLD = u"a/../s"_s; }) << Edit([](RunRig &r) { r.job.state.FLD = u"s"_s; QDir(r.job.baseDirectory).mkdir(u"s"_s); }) << asked << saved << 1 << 1;
        const QString dotted = Platform::pathStyle() == PathStyle::Windows ? u"hana00%1"_s : u"hana00%1."_s;
        QTest::newRow("empty extension: Windows drops the dot") << Edit([](RunRig &r) { r.job.state.EXT.clear(); }) << none << QStringList { "/s/hana001.", "/s/hana002." } << QStringList { "Seqget.log", "base", "base/p", "base/s", "base/s/" + dotted.arg(1), "base/s/" + dotted.arg(2) } << 1 << 1;
        QTest::newRow("nested folder box") << Edit([](RunRig &r) { r.job.state.FLD = u"2024/spring"_s; }) << none << QStringList { "/2024/spring/hana001.jpg", "/2024/spring/hana002.jpg" } << QStringList { "Seqget.log", "base", "base/2024", "base/2024/spring", "base/2024/spring/hana001.jpg", "base/2024/spring/hana002.jpg", "base/p" } << 1 << 1;
        // With nowhere to keep the body, no empty file may pass for it.
        QTest::newRow("base directory made while the body arrives") << Edit([](RunRig &r) { r.job.baseDirectory = r.root.filePath(u"later"_s); }) << Edit([](RunRig &r) { r.job.baseDirectory = r.root.filePath(u"base"_s); QDir(r.job.baseDirectory).mkdir(u"s"_s); }) << asked << QStringList { "Seqget.log", "base", "base/p", "base/s", "base/s/hana002.jpg" } << 1 << 1;
        // clang-format on
    }

    // What a job edited before START, or as the window hands it over during
    // file 1, makes of files 1 and 2 (what each box changes is the window
    // test's, through the real run): the folders count from file 1's save on,
    // a stop after it; nothing goes outside the base directory.
    void edits()
    {
        const auto [before, during] = fetch<Edit, Edit>("before", "during");
        RunRig rig;
        QVERIFY(QDir(rig.job.baseDirectory).mkdir(u"p"_s));
        before(rig);
        QSignalSpy finished(rig.run.get(), &DownloadRun::finished);
        QVERIFY(rig.startHeldAt(1));
        during(rig);
        rig.run->jobChanged(rig.job);
        rig.release();
        QVERIFY(finished.wait(5000));
        QTEST(rig.requested, "requested");
        QTEST(entriesBelow(rig.root.path()), "saved");
        for (const QString &made : std::as_const(rig.platform.folders))
            QVERIFY2(made.startsWith(rig.root.path()), qPrintable(made));
        QTEST(rig.platform.beeps, "beeps");
        QTEST(int(readAll(rig.platform.logFilePath()).count('\n')), "logLines");
    }

    // Each run sets the proxy up anew from the job: on; another host with a
    // port that is no port (the port before stays); off; the port in the
    // host box.
    void proxyPerRun()
    {
        RunRig rig;
        TestHttpServer proxy;
        QVERIFY(proxy.listen());
        rig.job.state.STOP = u"1"_s;
        const QString port = QString::number(proxy.port());
        const QList<std::tuple<bool, QString, QString>> runs
            = { { true, u"127.0.0.1"_s, port },
                { true, u"localhost"_s, u"80x"_s },
                { false, u"127.0.0.1"_s, port },
                { true, u"127.0.0.1:"_s + port, u"9"_s } };
        QList<int> proxied;
        for (const auto &[on, host, portText] : runs) {
            rig.job.state.PROXY = on;
            rig.job.state.PROXYIP = host;
            rig.job.state.PORT = portText;
            QVERIFY(rig.runToEnd());
            proxied << int(proxy.requests.size());
        }
        QCOMPARE(proxied, QList<int>({ 1, 2, 2, 3 }));
        QCOMPARE(rig.server.requests.size(), 1);
    }

    void heldDestination_data()
    {
        // clang-format off
        dataTable<bool, QByteArray, int>({ "readOnly", "after", "requests" });
        QTest::newRow("held by a scanner for 3 s: saved after the hold, STOP answered meanwhile") << false << "hana001.jpg"_ba << 1;
        QTest::newRow("read-only: kept as it was, and the run goes on at once") << true << "old"_ba << 2;
        // clang-format on
    }

    // Windows' rules: a destination another program holds is waited for from
    // a timer, while the window answers; a read-only one counts as failed.
    void heldDestination()
    {
        if (Platform::pathStyle() != PathStyle::Windows)
            QSKIP("Windows' rules (Unix replaces such files: the folder's permissions decide)");
        QFETCH(bool, readOnly);
        RunRig rig;
        const QString folder = rig.local({}).chopped(1);
        QVERIFY(QDir().mkpath(folder) && writeFile(rig.local(u"hana001.jpg"_s), "old"));
        QVERIFY(!readOnly || QFile::setPermissions(rig.local(u"hana001.jpg"_s), QFile::ReadOwner));
        std::thread scanner
            = readOnly ? std::thread() : holdLikeAScanner(rig.local(u"hana001.jpg"_s), 3000);
        QSignalSpy finished(rig.run.get(), &DownloadRun::finished);
        rig.run->StartStop(rig.job);
        if (!readOnly) {
            QTRY_VERIFY(
                !QDir(folder).entryList({ u".seqget-*"_s }, QDir::Files | QDir::Hidden).isEmpty());
            rig.run->StartStop(rig.job);
            QCOMPARE(rig.run->state(), DownloadRun::State::StopRequested);
        }
        QVERIFY(finished.wait(readOnly ? 5000 : 20000));
        if (scanner.joinable())
            scanner.join();
        QTEST(readAll(rig.local(u"hana001.jpg"_s)), "after");
        QTEST(int(rig.requested.size()), "requests");
    }

    // As when the window closes during a file: the body under way is
    // dropped, and nothing of it is left.
    void destroyedMidRun()
    {
        RunRig rig;
        QVERIFY(rig.startHeldAt(2));
        rig.run.reset();
        rig.release();
        QTest::qWait(100);
        QCOMPARE(entriesBelow(rig.job.baseDirectory), QStringList({ u"s"_s, u"s/hana001.jpg"_s }));
    }

    // Beside the program where the user may write and it is no system
    // folder; else in the user's data folder.
    void logFileOfTheProgram()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir(u"program"_s));
        QCOMPARE(SystemRunPlatform::logFilePathFor(home.filePath(u"program"_s)),
                 home.filePath(u"program/Seqget.log"_s));
        QStandardPaths::setTestModeEnabled(true);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(SystemRunPlatform::logFilePathFor(home.filePath(u"gone"_s)),
                 data + u"/Seqget/Seqget.log"_s);
        QVERIFY(QFileInfo(data + u"/Seqget"_s).isDir());
    }
};

QTEST_GUILESS_MAIN(TestDownloadRun)
#include "TestDownloadRun.moc"
