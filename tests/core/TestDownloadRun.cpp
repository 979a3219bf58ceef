#include "RunRig.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

namespace {

QByteArray bodyOf(int n)
{
    return QByteArray("body of file ") + QByteArray::number(n) + QByteArray(n * 100, char('a' + n));
}

QByteArray logLine(const QString &text)
{
    return (QLatin1Char('"') + text + QStringLiteral(",\"\r\n")).toLocal8Bit();
}

} // namespace

class TestDownloadRun : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void seriesInOrder();
    void startAfterStop();
    void startEqualsStop();
    void stopDuringFile();
    void lastNumberEndsRun();
    void secondRunOverLongerFiles();
    void failedFetch_data();
    void failedFetch();
    void threeRunsThreeLogLines();
    void unsafeNames_data();
    void unsafeNames();
    void diskFullKeepsFile();
    void destroyedMidRun();

private:
    std::unique_ptr<RunRig> m_rig;
};

void TestDownloadRun::init()
{
    m_rig = std::make_unique<RunRig>();
    for (int n = 1; n <= 3; ++n)
        m_rig->serve(QStringLiteral("hana00%1.jpg").arg(n), bodyOf(n));
}

void TestDownloadRun::seriesInOrder()
{
    RunRig &rig = *m_rig;
    QStringList notSavedInTime;
    connect(&rig.server, &TestHttpServer::requestReceived, this, [&](const QByteArray &path) {
        rig.view.trace().append(QStringLiteral("fetch ") + QString::fromUtf8(path));
        const int n = path.right(5).left(1).toInt();
        if (n > 1
            && readAll(rig.localFile(QStringLiteral("hana00%1.jpg").arg(n - 1))) != bodyOf(n - 1))
            notSavedInTime.append(QString::fromUtf8(path));
    });
    QVERIFY(rig.runToEnd());

    QStringList expected { QStringLiteral("caption STOP") };
    for (int n = 1; n <= 3; ++n) {
        const QString name = QStringLiteral("hana00%1.jpg").arg(n);
        expected << QStringLiteral("status1 ") + rig.view.baseDirectory() + QStringLiteral("/s/")
                + name
                 << QStringLiteral("status0 ") + rig.server.baseUrl() + QStringLiteral("s/") + name
                 << QStringLiteral("fetch /s/") + name;
    }
    expected << QStringLiteral("caption START");
    QCOMPARE(rig.view.trace(), expected);
    QCOMPARE(notSavedInTime, QStringList());
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(readAll(rig.localFile(QStringLiteral("hana00%1.jpg").arg(n))), bodyOf(n));
    QCOMPARE(rig.platform.createdFolders(), QStringList { rig.folder() });
    QVERIFY(!rig.state.Running);
    QVERIFY(!rig.run.isActive());
}

void TestDownloadRun::startAfterStop()
{
    RunRig &rig = *m_rig;
    rig.view.setJobText(JobBox::START, QStringLiteral("5"));
    rig.state.LOG = true;
    rig.state.BEEP = true;
    rig.view.setStatusText(0, QStringLiteral("http://earlier/run.jpg"));
    QVERIFY(rig.runToEnd());
    QCOMPARE(rig.server.requests().size(), 0);
    QCOMPARE(rig.platform.createdFolders(), QStringList { rig.folder() });
    QCOMPARE(readAll(rig.logFile()), logLine(QStringLiteral("http://earlier/run.jpg")));
    QCOMPARE(rig.platform.beeps(), 1);
    QCOMPARE(rig.view.buttonCaption(), QStringLiteral("START"));
    QCOMPARE(rig.transfer.proxyHost(), QString());
    QCOMPARE(int(rig.transfer.port()), 80);
}

void TestDownloadRun::startEqualsStop()
{
    m_rig->view.setJobText(JobBox::START, QStringLiteral("2"));
    m_rig->view.setJobText(JobBox::STOP, QStringLiteral("2"));
    QVERIFY(m_rig->runToEnd());
    QCOMPARE(m_rig->server.requestedPaths(), QList<QByteArray> { "/s/hana002.jpg" });
}

void TestDownloadRun::stopDuringFile()
{
    RunRig &rig = *m_rig;
    TestResponse held;
    held.body = bodyOf(2);
    held.hold = true;
    rig.server.setResponse("/s/hana002.jpg", held);
    rig.state.LOG = true;
    rig.state.BEEP = true;
    QSignalSpy requests(&rig.server, &TestHttpServer::requestReceived);
    QSignalSpy finished(&rig.run, &DownloadRun::finished);
    rig.run.StartStop();
    while (requests.size() < 2)
        QVERIFY(requests.wait(5000));

    rig.run.StartStop(); // STOP
    QVERIFY(!rig.state.Running);
    rig.run.StartStop(); // pressed again while file 2 is still coming: ignored
    QVERIFY(!rig.state.Running);
    QCOMPARE(rig.view.buttonCaption(), QStringLiteral("STOP"));
    rig.server.release("/s/hana002.jpg");
    QVERIFY(finished.wait(5000));

    QCOMPARE(rig.server.requestedPaths(),
             (QList<QByteArray> { "/s/hana001.jpg", "/s/hana002.jpg" }));
    QCOMPARE(readAll(rig.localFile(QStringLiteral("hana002.jpg"))), bodyOf(2));
    QVERIFY(!QFile::exists(rig.localFile(QStringLiteral("hana003.jpg"))));
    QCOMPARE(readAll(rig.logFile()),
             logLine(rig.server.baseUrl() + QStringLiteral("s/hana002.jpg")));
    QCOMPARE(rig.platform.beeps(), 1);
    QCOMPARE(rig.view.trace().count(QStringLiteral("caption STOP")), 1);
    QCOMPARE(rig.view.buttonCaption(), QStringLiteral("START"));
    QCOMPARE(finished.size(), 1);
}

void TestDownloadRun::lastNumberEndsRun()
{
    m_rig->view.setJobText(JobBox::KETA, QStringLiteral("0"));
    m_rig->view.setJobText(JobBox::START, QStringLiteral("32766"));
    m_rig->view.setJobText(JobBox::STOP, QStringLiteral("32767"));
    QVERIFY(m_rig->runToEnd());
    QCOMPARE(m_rig->server.requestedPaths(),
             (QList<QByteArray> { "/s/hana32766.jpg", "/s/hana32767.jpg" }));
    QCOMPARE(int(m_rig->state.CurrentNo), 32767);
}

void TestDownloadRun::secondRunOverLongerFiles()
{
    RunRig &rig = *m_rig;
    QVERIFY(rig.runToEnd());
    for (int n = 1; n <= 3; ++n)
        rig.serve(QStringLiteral("hana00%1.jpg").arg(n),
                  QByteArray("new ") + QByteArray::number(n));
    QVERIFY(rig.runToEnd());
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(readAll(rig.localFile(QStringLiteral("hana00%1.jpg").arg(n))),
                 QByteArray("new ") + QByteArray::number(n));
    QCOMPARE(rig.platform.createdFolders().size(), 2);
    QCOMPARE(entriesBelow(rig.folder()).size(), 3);
}

void TestDownloadRun::failedFetch_data()
{
    QTest::addColumn<TestResponse>("response");
    QTest::addColumn<bool>("exists");

    TestResponse notFound;
    notFound.status = 404;
    notFound.body = "<html>not here</html>";
    TestResponse truncated;
    truncated.body = QByteArray(5000, 't');
    truncated.sentLength = 2000;
    truncated.ending = TestResponse::Ending::Close;
    TestResponse stalled = truncated;
    stalled.ending = TestResponse::Ending::Stall;
    for (bool exists : { true, false }) {
        const char *what = exists ? ", file exists" : ", file missing";
        QTest::addRow("404%s", what) << notFound << exists;
        QTest::addRow("truncated%s", what) << truncated << exists;
        QTest::addRow("stalled%s", what) << stalled << exists;
    }
}

void TestDownloadRun::failedFetch()
{
    QFETCH(TestResponse, response);
    QFETCH(bool, exists);
    RunRig &rig = *m_rig;
    rig.server.setResponse("/s/hana002.jpg", response);
    QVERIFY(QDir().mkpath(rig.folder()));
    if (exists)
        QVERIFY(writeFile(rig.localFile(QStringLiteral("hana002.jpg")), "good old file"));
    QVERIFY(rig.runToEnd());
    QCOMPARE(readAll(rig.localFile(QStringLiteral("hana002.jpg"))),
             exists ? QByteArray("good old file") : QByteArray());
    QCOMPARE(readAll(rig.localFile(QStringLiteral("hana001.jpg"))), bodyOf(1));
    QCOMPARE(readAll(rig.localFile(QStringLiteral("hana003.jpg"))), bodyOf(3));
    QCOMPARE(entriesBelow(rig.folder()).size(), 3);
}

void TestDownloadRun::threeRunsThreeLogLines()
{
    m_rig->state.LOG = true;
    for (int run = 0; run < 3; ++run)
        QVERIFY(m_rig->runToEnd());
    QCOMPARE(readAll(m_rig->logFile()),
             logLine(m_rig->server.baseUrl() + QStringLiteral("s/hana003.jpg")).repeated(3));
}

void TestDownloadRun::unsafeNames_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("serverFolder");
    QTest::addColumn<int>("sync");
    QTest::addColumn<QString>("ownFolder");
    QTest::addColumn<QStringList>("entries");

    const QStringList baseOnly { QStringLiteral("base") };
    const QStringList withFolder { QStringLiteral("base"), QStringLiteral("base/s") };
    QTest::newRow("prefix climbs out") << "../../x"
                                       << "s" << 1 << "" << withFolder;
    QTest::newRow("prefix names a subfolder") << "sub/x"
                                              << "s" << 1 << "" << withFolder;
    QTest::newRow("server folder dot-dot") << "hana"
                                           << ".." << 1 << "" << baseOnly;
    QTest::newRow("server folder with separator") << "hana"
                                                  << "a/../.." << 1 << "" << baseOnly;
    QTest::newRow("own folder dot-dot") << "hana"
                                        << "s" << 0 << ".." << baseOnly;
    QTest::newRow("own folder with separator") << "hana"
                                               << "s" << 0 << "../out" << baseOnly;
}

void TestDownloadRun::unsafeNames()
{
    QFETCH(QString, prefix);
    QFETCH(QString, serverFolder);
    QFETCH(int, sync);
    QFETCH(QString, ownFolder);
    QFETCH(QStringList, entries);
    RunRig &rig = *m_rig;
    rig.view.setJobText(JobBox::FNTOP, prefix);
    rig.view.setJobText(JobBox::FLD, serverFolder);
    rig.view.setJobText(JobBox::PCFLD, ownFolder);
    rig.state.SYNC = qint16(sync);
    TestResponse any;
    any.body = "payload";
    for (const QByteArray path :
         { "/s/../../x001.jpg", "/x001.jpg", "/s/sub/x001.jpg", "/../hana001.jpg", "/hana001.jpg" })
        rig.server.setResponse(path, any);
    QVERIFY(rig.runToEnd());
    // Each number is still requested; nothing lands outside the base directory.
    QCOMPARE(rig.server.requests().size(), 3);
    QCOMPARE(entriesBelow(rig.root.path()), entries);
}

void TestDownloadRun::diskFullKeepsFile()
{
    RunRig &rig = *m_rig;
    const QString base = rig.view.baseDirectory();
    QProcess mount;
    mount.start(QStringLiteral("mount"),
                { QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                  QStringLiteral("size=64k"), QStringLiteral("tmpfs"), base });
    if (!mount.waitForFinished(10000) || mount.exitStatus() != QProcess::NormalExit
        || mount.exitCode() != 0)
        QSKIP("cannot mount a small tmpfs here (needs root)");
    const auto unmount
        = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), { base }); });

    QVERIFY(QDir().mkpath(rig.folder()));
    QVERIFY(writeFile(rig.localFile(QStringLiteral("hana001.jpg")), "good old file"));
    rig.serve(QStringLiteral("hana001.jpg"), QByteArray(1 << 20, 'z'));
    rig.view.setJobText(JobBox::STOP, QStringLiteral("1"));
    QVERIFY(rig.runToEnd());
    QCOMPARE(readAll(rig.localFile(QStringLiteral("hana001.jpg"))), QByteArray("good old file"));
    QCOMPARE(entriesBelow(rig.folder()), QStringList { QStringLiteral("hana001.jpg") });
}

void TestDownloadRun::destroyedMidRun()
{
    RunRig &rig = *m_rig;
    TestResponse held;
    held.body = bodyOf(2);
    held.hold = true;
    rig.server.setResponse("/s/hana002.jpg", held);
    rig.state.LOG = true;
    rig.state.BEEP = true;
    auto run = std::make_unique<DownloadRun>(rig.state, rig.view, rig.platform, rig.transfer);
    QSignalSpy requests(&rig.server, &TestHttpServer::requestReceived);
    run->StartStop();
    while (requests.size() < 2)
        QVERIFY(requests.wait(5000));
    QCOMPARE(entriesBelow(rig.folder()).size(), 2); // file 1 and the body of file 2 under way

    const QStringList traceBefore = rig.view.trace();
    run.reset();
    rig.server.release("/s/hana002.jpg");
    QCOMPARE(entriesBelow(rig.folder()), QStringList { QStringLiteral("hana001.jpg") });
    QCOMPARE(rig.view.trace(), traceBefore);
    QCOMPARE(rig.platform.beeps(), 0);
    QVERIFY(!QFile::exists(rig.logFile()));

    // The same transfer serves the next run at once.
    rig.state.Running = false;
    QVERIFY(rig.runToEnd());
    QCOMPARE(readAll(rig.localFile(QStringLiteral("hana002.jpg"))), bodyOf(2));
}

QTEST_GUILESS_MAIN(TestDownloadRun)
#include "TestDownloadRun.moc"
