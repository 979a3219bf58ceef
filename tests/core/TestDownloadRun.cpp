#include "RunRig.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

static const auto bodyOf = [](int n) { return QByteArray(n * 100, char('a' + n)); };
static const auto logLine
    = [](const QString &url) { return ('"' + url + ",\"\r\n").toLocal8Bit(); };

static bool startWithSecondFileHeld(RunRig &rig, DownloadRun &run)
{
    TestResponse held;
    held.body = bodyOf(2);
    held.hold = true;
    rig.serve(u"hana001.jpg"_s, bodyOf(1));
    rig.server.setResponse("/s/hana002.jpg", held);
    rig.state.LOG = rig.state.BEEP = true;
    QSignalSpy requests(&rig.server, &TestHttpServer::requestReceived);
    run.StartStop();
    return requests.wait(5000) && (requests.size() >= 2 || requests.wait(5000));
}

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
        QTest::newRow("START = STOP") << "3 2 2" << u"hana002.jpg"_s;
        QTest::newRow("STOP 32767") << "0 32766 32767" << u"hana32766.jpg hana32767.jpg"_s;
        QTest::newRow("KETA 3.5, START 2.5") << "3.5 2.5 2" << u"hana0002.jpg"_s;
    }

    void series()
    {
        QFETCH(QString, boxes);
        QFETCH(QString, files);
        RunRig rig;
        for (int i = 0; i < 3; ++i)
            rig.view.setJobText(JobBox(int(JobBox::KETA) + i), boxes.section(u' ', i, i));
        rig.state.LOG = rig.state.BEEP = true;
        rig.view.setStatusText(0, u"http://earlier/run.jpg"_s);
        rig.view.trace().clear();
        const QStringList names = files.split(u' ', Qt::SkipEmptyParts);
        QStringList expected { u"caption STOP"_s };
        for (const QString &name : names)
            expected << "status1 " + rig.localFile(name)
                     << "status0 " + rig.server.baseUrl() + "s/" + name << "fetch /s/" + name;
        expected << u"caption START"_s;
        // The second run gets shorter bodies than the files already there.
        int copies = 99;
        connect(&rig.server, &TestHttpServer::requestReceived, this, [&](const QByteArray &path) {
            const QString before = names.value(names.indexOf(QString::fromUtf8(path.mid(3))) - 1);
            const bool early = !before.isEmpty()
                && readAll(rig.localFile(before)) != before.toUtf8().repeated(copies);
            rig.view.trace().append("fetch " + QString::fromUtf8(path) + (early ? " early" : ""));
        });
        for (const int n : { 99, 1 }) {
            copies = n;
            for (const QString &name : names)
                rig.serve(name, name.toUtf8().repeated(copies));
            QVERIFY(rig.runToEnd());
        }
        QCOMPARE(rig.view.trace(), expected + expected);
        for (const QString &name : names)
            QCOMPARE(readAll(rig.localFile(name)), name.toUtf8());
        QCOMPARE(rig.platform.createdFolders(), QStringList(2, rig.folder()));
        // The log line must be the status line's text.
        QCOMPARE(readAll(rig.platform.logFilePath()), logLine(rig.view.statusText(0)).repeated(2));
        QCOMPARE(rig.platform.beeps(), 2);
    }

    void stopDuringFile()
    {
        RunRig rig;
        QSignalSpy finished(&rig.run, &DownloadRun::finished);
        QVERIFY(startWithSecondFileHeld(rig, rig.run));
        rig.run.StartStop(); // STOP
        rig.run.StartStop(); // again while file 2 is still coming: ignored
        QVERIFY(!rig.state.Running);
        rig.server.release("/s/hana002.jpg");
        QVERIFY(finished.wait(5000));
        QCOMPARE(rig.server.requests().size(), 2); // none for file 3
        QCOMPARE(rig.server.requests().at(1).headers.value("referer"),
                 (rig.server.baseUrl() + u"s/"_s).toUtf8()); // the series' folder
        QCOMPARE(readAll(rig.localFile(u"hana002.jpg"_s)), bodyOf(2));
        QCOMPARE(readAll(rig.platform.logFilePath()),
                 logLine(rig.server.baseUrl() + "s/hana002.jpg"));
        QCOMPARE(rig.platform.beeps(), 1);
        QCOMPARE(finished.size(), 1);
    }

    void failedFetch_data()
    {
        QTest::addColumn<int>("ending"); // TestResponse::Ending, 2000 of 5000 bytes sent
        QTest::newRow("404") << int(TestResponse::Ending::Keep);
        QTest::newRow("truncated") << int(TestResponse::Ending::Close);
        QTest::newRow("stalled") << int(TestResponse::Ending::Stall);
        QTest::newRow("disk full") << int(TestResponse::Ending::Keep); // 1 MiB into 64 KiB
    }

    void failedFetch()
    {
        QFETCH(int, ending);
        RunRig rig;
        const QByteArray row = QTest::currentDataTag();
        const bool diskFull = row == "disk full";
        const QString base = rig.view.baseDirectory();
        if (diskFull
            && QProcess::execute(u"mount"_s, { "-t", "tmpfs", "-o", "size=64k", "tmpfs", base }))
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] {
            if (diskFull)
                QProcess::execute(u"umount"_s, { base });
        });
        TestResponse response;
        response.status = row == "404" ? 404 : 200;
        response.body = QByteArray(diskFull ? 1 << 20 : 5000, 't');
        response.ending = TestResponse::Ending(ending);
        response.sentLength = response.ending == TestResponse::Ending::Keep ? -1 : 2000;
        rig.serve(u"hana001.jpg"_s, bodyOf(1));
        // File 2 exists beforehand, file 3 does not; both fail after file 1 arrived.
        rig.server.setResponse("/s/hana002.jpg", response);
        rig.server.setResponse("/s/hana003.jpg", response);
        QVERIFY(QDir().mkpath(rig.folder()));
        QVERIFY(writeFile(rig.localFile(u"hana002.jpg"_s), "good old file"));
        QVERIFY(rig.runToEnd());
        QCOMPARE(readAll(rig.localFile(u"hana002.jpg"_s)), "good old file"_ba);
        QCOMPARE(readAll(rig.localFile(u"hana003.jpg"_s)), QByteArray());
        QCOMPARE(entriesBelow(rig.folder()).size(), 3);
    }

    void unsafeNames_data()
    {
        QTest::addColumn<JobBox>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("prefix climbs out") << JobBox::FNTOP << "../../x";
        QTest::newRow("server folder dot-dot") << JobBox::FLD << "..";
        QTest::newRow("own folder with separator") << JobBox::PCFLD << "../out";
    }

    void unsafeNames()
    {
        QFETCH(JobBox, box);
        QFETCH(QString, text);
        RunRig rig;
        rig.view.setJobText(box, text);
        rig.state.SYNC = box == JobBox::PCFLD ? 0 : 1;
        QVERIFY(rig.runToEnd());
        // Every number is still requested; only the safe folder is made, and stays empty.
        QCOMPARE(rig.server.requests().size(), 3);
        QCOMPARE(entriesBelow(rig.root.path()).join(u' '),
                 box == JobBox::FNTOP ? u"base base/s"_s : u"base"_s);
    }

    void destroyedMidRun()
    {
        RunRig rig;
        auto run = std::make_unique<DownloadRun>(rig.state, rig.view, rig.platform);
        QVERIFY(startWithSecondFileHeld(rig, *run));
        QCOMPARE(entriesBelow(rig.folder()).size(), 2); // file 1, and file 2 under way
        const QStringList traceBefore = rig.view.trace();
        run.reset();
        rig.server.release("/s/hana002.jpg");
        QCOMPARE(entriesBelow(rig.folder()), QStringList { u"hana001.jpg"_s });
        QCOMPARE(rig.view.trace(), traceBefore);
    }

    void folderUsableOnlyAtTheEnd_data()
    {
        QTest::addColumn<bool>("baseAppears"); // else the folder box is mended
        QTest::addColumn<QByteArray>("saved");
        QTest::newRow("folder box mended") << false << bodyOf(1);
        // With nowhere to keep the body, no empty file may pass for it.
        QTest::newRow("base directory made meanwhile") << true << "<missing>"_ba;
    }

    void folderUsableOnlyAtTheEnd()
    {
        // The local folder cannot be used when the fetch starts, and can be
        // by the time its body has arrived.
        QFETCH(bool, baseAppears);
        QFETCH(QByteArray, saved);
        RunRig rig;
        TestResponse held;
        held.body = bodyOf(1);
        held.hold = true;
        if (baseAppears) {
            rig.view.setBaseDirectory(rig.root.filePath(u"later"_s));
            rig.server.setResponse("/s/hana001.jpg", held);
        } else {
            rig.view.setJobText(JobBox::FLD, u"bad/name"_s);
            rig.server.setResponse("/bad/name/hana001.jpg", held);
            QVERIFY(QDir().mkpath(rig.folder()));
        }
        rig.view.setJobText(JobBox::STOP, u"1"_s);
        QSignalSpy requests(&rig.server, &TestHttpServer::requestReceived);
        QSignalSpy finished(&rig.run, &DownloadRun::finished);
        rig.run.StartStop();
        QVERIFY(requests.wait(5000));
        rig.state.FLD = u"s"_s;
        QVERIFY(QDir().mkpath(rig.folder()));
        rig.server.release(requests.at(0).at(0).toByteArray());
        QVERIFY(finished.wait(5000));
        QCOMPARE(readAll(rig.localFile(u"hana001.jpg"_s)), saved);
        // Nothing is left behind, in the folder or in the base directory.
        const QStringList files { u"s"_s, u"s/hana001.jpg"_s };
        QCOMPARE(entriesBelow(rig.view.baseDirectory()), files.mid(0, saved == bodyOf(1) ? 2 : 1));
    }

    void proxyBoxes_data()
    {
        // The second run's boxes; the first ran through the proxy at its port.
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::newRow("blanks around the port") << u"127.0.0.1"_s << u" %1 "_s;
        QTest::newRow("port typed in the host box") << u"127.0.0.1:%1"_s << u"9"_s;
        QTest::newRow("junk after the port keeps the last") << u"127.0.0.1"_s << u"1abc"_s;
        QTest::newRow("two numbers keep the last") << u"127.0.0.1"_s << u"1 2"_s;
    }

    void proxyBoxes()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        RunRig rig;
        // Only the proxy, played by the test server, knows this host.
        rig.view.setJobText(JobBox::URL, u"http://series.invalid/"_s);
        rig.view.setJobText(JobBox::STOP, u"1"_s);
        rig.serve(u"hana001.jpg"_s, bodyOf(1));
        rig.state.PROXY = true;
        rig.state.PROXYIP = u"127.0.0.1"_s;
        rig.state.PORT = QString::number(rig.server.port());
        QVERIFY(rig.runToEnd());
        rig.state.PROXYIP = host.arg(rig.server.port());
        rig.state.PORT = port.arg(rig.server.port());
        QVERIFY(QFile::remove(rig.localFile(u"hana001.jpg"_s)));
        QVERIFY(rig.runToEnd());
        QCOMPARE(readAll(rig.localFile(u"hana001.jpg"_s)), bodyOf(1));
        QCOMPARE(rig.server.requests().size(), 2);
        QCOMPARE(rig.server.requests().at(1).target, "http://series.invalid/s/hana001.jpg"_ba);
    }
};

QTEST_GUILESS_MAIN(TestDownloadRun)
#include "TestDownloadRun.moc"
