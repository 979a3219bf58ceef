#include "job/JobBox.h"
#include "run/DownloadRun.h"
#include "run/SystemRunPlatform.h"
#include "support/RecordingPlatform.h"
#include "support/TestFiles.h"
#include "support/TestHttpServer.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace Qt::StringLiterals;
using Runs = QList<QStringList>;

namespace {

// A whole run without a window: the test server, a temporary base directory,
// the real transfer and run (giving up after a second without progress), and
// the job of the series /s/hana001.jpg .. hana003.jpg. The server serves each
// name of s/ as its own body.
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
        job.state.LOG = job.state.BEEP = true;
        job.baseDirectory = root.filePath(u"base"_s);
        for (const char *name : { "hana001", "hana002", "hana003", "other002", "hana001.png" })
            serve(u"/s/"_s + QLatin1String(name) + (QByteArray(name).contains('.') ? "" : ".jpg"), name);
    }

    // Joined as the naming rules join them, with the platform's separator.
    QString local(const QString &name) const
    {
        return job.baseDirectory + QDir::separator() + u"s"_s + QDir::separator() + name;
    }
    void serve(const QString &path, const QByteArray &body, bool hold = false)
    {
        server.responses.insert(path.toUtf8(), reply(200, body));
        server.responses[path.toUtf8()].hold = hold;
    }
    QStringList requested() const
    {
        QStringList paths;
        for (const RecordedRequest &r : server.requests)
            paths << QString::fromUtf8(r.target);
        return paths;
    }
    // Presses the button and waits for the run's end; false on a hang.
    bool runToEnd()
    {
        QSignalSpy spy(run.get(), &DownloadRun::finished);
        run->StartStop(job);
        return !spy.isEmpty() || spy.wait(30000);
    }
    // Starts the run and waits until the request for path, held, is in.
    bool startHeldAt(const QString &path)
    {
        server.responses[path.toUtf8()].hold = true;
        run->StartStop(job);
        return QTest::qWaitFor([&] { return requested().contains(path); });
    }
    // A run in which the job is edited as the window hands it over while
    // the body of path arrives; false on a hang.
    bool editWhile(const QString &path, const std::function<void()> &edit)
    {
        QSignalSpy finished(run.get(), &DownloadRun::finished);
        if (!startHeldAt(path))
            return false;
        edit();
        run->jobChanged(job);
        server.release(path.toUtf8());
        return finished.wait(5000);
    }

    QTemporaryDir root;
    TestHttpServer server;
    RecordingPlatform platform { root.filePath(u"Seqget.log"_s) };
    RunJob job;
    std::unique_ptr<DownloadRun> run = std::make_unique<DownloadRun>(
        platform, TransferOptions { std::chrono::seconds(1), {} });
};

QString logLine(const QString &url)
{
    return u'"' + url + u",\"\r\n"_s;
}

} // namespace

class TestDownloadRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void series_data()
    {
        QTest::addColumn<Runs>("runs"); // KETA, START, STOP of each run in turn
        QTest::addColumn<QStringList>("fetched"); // over all runs, in order
        QTest::addColumn<QStringList>("logged"); // the last file begun, per run
        // clang-format off
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
        QFETCH(Runs, runs);
        QFETCH(QStringList, fetched);
        QFETCH(QStringList, logged);
        RunRig rig;
        rig.server.dropReusedConnections = true;
        QStringList seen;
        connect(&rig.server, &TestHttpServer::requestReceived, this, [&](const QByteArray &path) {
            const QString name = QString::fromUtf8(path).section(u'/', -1);
            seen << name;
            rig.serve(u"/s/"_s + name, name.toUtf8());
            if (seen.size() > 1)
                QCOMPARE(readAll(rig.local(seen.at(seen.size() - 2))), seen.at(seen.size() - 2).toUtf8());
        });
        QString log;
        for (const QStringList &boxes : runs) {
            for (int i = 0; i < 3; ++i)
                rig.job.state.*jobField(JobBox(int(JobBox::KETA) + i)).field = boxes.at(i);
            QVERIFY(rig.runToEnd());
        }
        for (const QString &name : logged)
            log += logLine(rig.server.baseUrl() + u"s/"_s + name);
        QCOMPARE(seen, fetched);
        QCOMPARE(readAll(rig.platform.logFilePath()), log.toLocal8Bit());
        QCOMPARE(rig.platform.beeps, int(runs.size()));
        QCOMPARE(rig.platform.folders, QStringList(runs.size(), rig.job.baseDirectory + QDir::separator() + u"s"_s));
    }

    void bodies_data()
    {
        QTest::addColumn<QByteArray>("before"); // the file already there, or <missing>
        QTest::addColumn<TestResponse>("response");
        QTest::addColumn<QByteArray>("after");
        const QByteArray big((3 << 20) + 7, 'b');
        // clang-format off
        QTest::newRow("a body larger than every buffer") << "<missing>"_ba << reply(200, big) << big;
        QTest::newRow("a shorter body replaces a longer file") << "older and longer"_ba << reply(200, "new") << "new"_ba;
        QTest::newRow("failure leaves an empty file where none was") << "<missing>"_ba << reply(404, "gone") << ""_ba;
        QTest::newRow("failure leaves a file as it was") << "old"_ba << reply(404, "gone") << "old"_ba;
        QTest::newRow("a body cut short leaves a file as it was") << "old"_ba << TestResponse { reply(200, big).raw.chopped(9), TestResponse::Ending::Close } << "old"_ba;
        QTest::newRow("an empty body leaves a file as it was") << "old"_ba << reply(200, {}) << "old"_ba;
        // clang-format on
    }

    void bodies()
    {
        QFETCH(QByteArray, before);
        QFETCH(TestResponse, response);
        RunRig rig;
        rig.job.state.STOP = u"1"_s;
        QVERIFY(QDir().mkpath(QFileInfo(rig.local(u"x"_s)).path()));
        QVERIFY(before == "<missing>" || writeFile(rig.local(u"hana001.jpg"_s), before));
        rig.server.responses.insert("/s/hana001.jpg", response);
        QVERIFY(rig.runToEnd());
        QTEST(readAll(rig.local(u"hana001.jpg"_s)), "after");
    }

    // A stop during file 2 lets it be saved and fetches no more; a second
    // press while it finishes starts nothing.
    void stopDuringFile()
    {
        RunRig rig;
        QSignalSpy finished(rig.run.get(), &DownloadRun::finished);
        QVERIFY(rig.startHeldAt(u"/s/hana002.jpg"_s));
        rig.run->StartStop(rig.job);
        QCOMPARE(rig.run->state(), DownloadRun::State::StopRequested);
        rig.run->StartStop(rig.job);
        rig.server.release("/s/hana002.jpg");
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
        QCOMPARE(rig.run->state(), DownloadRun::State::Idle);
        QCOMPARE(rig.requested(), QStringList({ u"/s/hana001.jpg"_s, u"/s/hana002.jpg"_s }));
        QCOMPARE(readAll(rig.local(u"hana002.jpg"_s)), "hana002"_ba);
        QCOMPARE(readAll(rig.platform.logFilePath()), logLine(rig.server.baseUrl() + u"s/hana002.jpg"_s).toLocal8Bit());
        QCOMPARE(rig.platform.beeps, 1);
    }

    void editsDuringARun_data()
    {
        QTest::addColumn<JobBox>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("sync");
        QTest::addColumn<QStringList>("requested"); // after the first
        QTest::addColumn<QStringList>("saved"); // below the base directory, where p/ is made beforehand
        const QStringList s12 { "p", "s", "s/hana001.jpg", "s/hana002.jpg" };
        // clang-format off
        QTest::newRow("prefix") << JobBox::FNTOP << "other" << 1 << QStringList { "/s/other002.jpg" } << QStringList { "p", "s", "s/hana001.jpg", "s/other002.jpg" };
        QTest::newRow("extension") << JobBox::EXT << "png" << 1 << QStringList { "/s/hana002.png" } << QStringList { "p", "s", "s/hana001.jpg", "s/hana002.png" };
        QTest::newRow("server folder: the local one is not made") << JobBox::FLD << "t" << 1 << QStringList { "/t/hana002.jpg" } << QStringList { "p", "s" };
        QTest::newRow("own folder, sync unticked") << JobBox::PCFLD << "p" << 0 << QStringList { "/s/hana002.jpg" } << QStringList { "p", "p/hana001.jpg", "p/hana002.jpg", "s" };
        QTest::newRow("own folder, sync dimmed") << JobBox::PCFLD << "p" << 2 << QStringList { "/s/hana002.jpg" } << QStringList { "p", "p/hana001.jpg", "p/hana002.jpg", "s" };
        QTest::newRow("base URL") << JobBox::URL << "http://127.0.0.1:9/" << 1 << QStringList() << s12;
        QTest::newRow("digits: taken at the start") << JobBox::KETA << "1" << 1 << QStringList { "/s/hana002.jpg" } << s12;
        QTest::newRow("last number: taken at the start") << JobBox::STOP << "1" << 1 << QStringList { "/s/hana002.jpg" } << s12;
        // clang-format on
    }

    // The job as the window hands it over after an edit while file 1
    // arrives: the folder counts from file 1's save on, the names and the
    // base URL from file 2 (the empty file of a failed number included); the
    // numbers stay as the run read them.
    void editsDuringARun()
    {
        QFETCH(JobBox, box);
        QFETCH(QString, text);
        QFETCH(int, sync);
        QFETCH(QStringList, requested);
        RunRig rig;
        rig.job.state.STOP = u"2"_s;
        QVERIFY(QDir(rig.job.baseDirectory).mkdir(u"p"_s));
        QVERIFY(rig.editWhile(u"/s/hana001.jpg"_s, [&] {
            rig.job.state.*jobField(box).field = text;
            rig.job.state.SYNC = qint16(sync);
        }));
        QCOMPARE(rig.requested().mid(1), requested);
        QTEST(entriesBelow(rig.job.baseDirectory), "saved");
    }

    void endSwitches_data()
    {
        QTest::addColumn<bool>("beep");
        QTest::addColumn<bool>("log");
        QTest::newRow("beep off") << false << true;
        QTest::newRow("log off") << true << false;
    }

    // BEEP and LOG switched during a run count at its end; the next run
    // keeps them so.
    void endSwitches()
    {
        QFETCH(bool, beep);
        QFETCH(bool, log);
        RunRig rig;
        rig.job.state.STOP = u"1"_s;
        QVERIFY(rig.editWhile(u"/s/hana001.jpg"_s, [&] {
            rig.job.state.BEEP = beep;
            rig.job.state.LOG = log;
        }));
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.platform.beeps, beep ? 2 : 0);
        QCOMPARE(readAll(rig.platform.logFilePath()).count('\n'), log ? 2 : 0);
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
        const QList<std::tuple<bool, QString, QString>> runs = {
            { true, u"127.0.0.1"_s, port }, { true, u"localhost"_s, u"80x"_s },
            { false, u"127.0.0.1"_s, port }, { true, u"127.0.0.1:"_s + port, u"9"_s } };
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

    void unsafeNames_data()
    {
        QTest::addColumn<JobBox>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("made"); // below the temporary root
        QTest::newRow("prefix") << JobBox::FNTOP << "../../x" << QStringList { "Seqget.log", "base", "base/s" };
        QTest::newRow("server folder") << JobBox::FLD << ".." << QStringList { "Seqget.log", "base" };
        QTest::newRow("own folder") << JobBox::PCFLD << "../out" << QStringList { "Seqget.log", "base" };
    }

    // Every number is still asked for; nothing is written outside the base
    // directory, and only a safe folder is made.
    void unsafeNames()
    {
        QFETCH(JobBox, box);
        RunRig rig;
        QFETCH(QString, text);
        rig.job.state.*jobField(box).field = text;
        rig.job.state.SYNC = box == JobBox::PCFLD ? 0 : 1;
        QVERIFY(rig.runToEnd());
        QCOMPARE(rig.server.requests.size(), 3);
        QTEST(entriesBelow(rig.root.path()), "made");
    }

    // As when the window closes during a file: the body under way is
    // dropped, and nothing more is said.
    void destroyedMidRun()
    {
        RunRig rig;
        QVERIFY(rig.startHeldAt(u"/s/hana002.jpg"_s));
        QVERIFY(QList<int>({ 1, -1 }).contains(openFilesIn(QFileInfo(rig.local(u"x"_s)).path())));
        rig.run.reset();
        rig.server.release("/s/hana002.jpg");
        QTest::qWait(100);
        QCOMPARE(entriesBelow(rig.job.baseDirectory), QStringList({ u"s"_s, u"s/hana001.jpg"_s }));
        QVERIFY(openFilesIn(rig.job.baseDirectory) <= 0);
    }

    void editsWhileABodyArrives_data()
    {
        QTest::addColumn<QString>("base"); // the base directory at the start
        QTest::addColumn<QString>("folder"); // the server folder at the start
        QTest::addColumn<QStringList>("saved");
        QTest::newRow("folder box mended") << "base" << "bad/name" << QStringList { "s", "s/hana001.jpg" };
        // With nowhere to keep the body, no empty file may pass for it.
        QTest::newRow("base directory made meanwhile") << "later" << "s" << QStringList { "s" };
    }

    // The local folder cannot take file 1 when its fetch starts, and can by
    // the time it has arrived: it goes where the boxes say when it is saved,
    // and nothing is left behind.
    void editsWhileABodyArrives()
    {
        QFETCH(QString, base);
        QFETCH(QString, folder);
        RunRig rig;
        rig.job.baseDirectory = rig.root.filePath(base);
        rig.job.state.FLD = folder;
        rig.job.state.STOP = u"1"_s;
        rig.serve(u"/"_s + folder + u"/hana001.jpg"_s, "hana001");
        QVERIFY(rig.editWhile(u"/"_s + folder + u"/hana001.jpg"_s, [&] {
            rig.job.baseDirectory = rig.root.filePath(u"base"_s);
            rig.job.state.FLD = u"s"_s;
            QDir().mkpath(QFileInfo(rig.local(u"x"_s)).path());
        }));
        QTEST(entriesBelow(rig.root.filePath(u"base"_s)), "saved");
        QCOMPARE(entriesBelow(rig.root.filePath(base)).filter(u".seqget"_s), QStringList());
    }

    // Beside the program where the user may write and it is no system
    // folder; else in the user's data folder.
    void logFileOfTheProgram()
    {
        QTemporaryDir home;
        QVERIFY(QDir(home.path()).mkdir(u"program"_s));
        QCOMPARE(SystemRunPlatform::logFilePathFor(home.filePath(u"program"_s)), home.filePath(u"program/Seqget.log"_s));
        QStandardPaths::setTestModeEnabled(true);
        const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QCOMPARE(SystemRunPlatform::logFilePathFor(home.filePath(u"gone"_s)), data + u"/Seqget/Seqget.log"_s);
        QVERIFY(QFileInfo(data + u"/Seqget"_s).isDir());
    }
};

QTEST_GUILESS_MAIN(TestDownloadRun)
#include "TestDownloadRun.moc"
