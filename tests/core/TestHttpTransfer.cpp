#include "HttpTransfer.h"
#include "TestHttpServer.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Fetches url into a buffer and waits for the one finished() it must give.
FetchResult fetchInto(HttpTransfer &transfer, const QString &url, QBuffer *sink,
                      const QString &referer = QString())
{
    QSignalSpy spy(&transfer, &HttpTransfer::finished);
    transfer.fetch(url, referer, sink);
    if (spy.isEmpty() && !spy.wait(20000))
        return FetchResult { false, -1, -1, QStringLiteral("hang") };
    return spy.takeFirst().at(0).value<FetchResult>();
}

TestResponse responseOf(int status, const QByteArray &body)
{
    TestResponse response;
    response.status = status;
    response.body = body;
    return response;
}

} // namespace

class TestHttpTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void setPort_data();
    void setPort();
    void outcome_data();
    void outcome();
    void requestHeaders();
    void connectionKeptAcrossFetches();
    void absoluteUriThroughProxy();
    void failureIsNeverSynchronous();
    void abortReportsNothing();
    void sinkWriteFailureFails();
    void environmentProxiesIgnored_data();
    void environmentProxiesIgnored();

private:
    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<HttpTransfer> m_transfer;
};

void TestHttpTransfer::init()
{
    m_server = std::make_unique<TestHttpServer>();
    QVERIFY(m_server->listen());
    m_transfer = std::make_unique<HttpTransfer>();
    m_transfer->setTransferTimeout(std::chrono::milliseconds(1000));
}

void TestHttpTransfer::setPort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("port");

    QTest::newRow("plain") << "8080" << true << 8080;
    QTest::newRow("blanks around") << "  3128 " << true << 3128;
    QTest::newRow("half to even down") << "8080.5" << true << 8080;
    QTest::newRow("half to even up") << "8081.5" << true << 8082;
    QTest::newRow("above 16-bit signed") << "40000" << true << 40000;
    QTest::newRow("highest") << "65535" << true << 65535;
    QTest::newRow("too high") << "65536" << false << 1234;
    QTest::newRow("zero") << "0" << false << 1234;
    QTest::newRow("negative") << "-80" << false << 1234;
    QTest::newRow("no number") << "proxy" << false << 1234;
    QTest::newRow("empty") << "" << false << 1234;
}

void TestHttpTransfer::setPort()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(int, port);
    QVERIFY(m_transfer->setPort(QStringLiteral("1234")));
    QCOMPARE(m_transfer->setPort(text), accepted);
    QCOMPARE(int(m_transfer->port()), port);
}

void TestHttpTransfer::outcome_data()
{
    QTest::addColumn<TestResponse>("response");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("saved");

    const QByteArray body(70000, 'x');
    QTest::newRow("200") << responseOf(200, body) << true << body;
    QTest::newRow("204 empty") << responseOf(204, QByteArray()) << true << QByteArray();
    QTest::newRow("404 page") << responseOf(404, "<html>gone</html>") << false << QByteArray();
    QTest::newRow("500 page") << responseOf(500, "oops") << false << QByteArray();

    TestResponse cut = responseOf(200, body);
    cut.sentLength = 1000;
    cut.ending = TestResponse::Ending::Close;
    QTest::newRow("closed before Content-Length") << cut << false << body.left(1000);

    TestResponse lying = responseOf(200, "short");
    lying.declaredLength = 100;
    lying.ending = TestResponse::Ending::Stall;
    QTest::newRow("Content-Length lies, connection open") << lying << false << QByteArray("short");

    TestResponse stall = responseOf(200, body);
    stall.sentLength = 10;
    stall.ending = TestResponse::Ending::Stall;
    QTest::newRow("stall") << stall << false << body.left(10);

    TestResponse chunked = responseOf(200, body);
    chunked.chunked = true;
    QTest::newRow("chunked") << chunked << true << body;

    TestResponse brokenChunks = chunked;
    brokenChunks.sentLength = 500;
    brokenChunks.ending = TestResponse::Ending::Stall;
    QTest::newRow("broken chunked, open") << brokenChunks << false << body.left(500);

    TestResponse toFtp = responseOf(302, QByteArray());
    toFtp.headers = { { "Location", "ftp://127.0.0.1/f" } };
    QTest::newRow("redirect to ftp") << toFtp << false << QByteArray();

    TestResponse loop = responseOf(302, QByteArray());
    loop.headers = { { "Location", "/f" } };
    QTest::newRow("redirect loop") << loop << false << QByteArray();

    QTest::newRow("error page too long to read through")
        << responseOf(404, QByteArray(3 * 1024 * 1024, 'e')) << false << QByteArray();
}

void TestHttpTransfer::outcome()
{
    QFETCH(TestResponse, response);
    QFETCH(bool, ok);
    QFETCH(QByteArray, saved);
    m_server->setResponse("/f", response);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    const FetchResult result
        = fetchInto(*m_transfer, m_server->baseUrl() + QStringLiteral("f"), &sink);
    QCOMPARE(result.ok, ok);
    QCOMPARE(sink.data(), saved);
    QCOMPARE(result.bytes, qint64(saved.size()));
}

void TestHttpTransfer::requestHeaders()
{
    // A folder typed with a blank and Japanese goes out escaped, as from a browser.
    const QByteArray target = "/s/my%20photos/%E7%94%BB%E5%83%8F/a.jpg";
    m_server->setResponse(target, responseOf(200, "a"));
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QVERIFY(fetchInto(*m_transfer, m_server->baseUrl() + u"s/my photos/画像/a.jpg"_s, &sink,
                      m_server->baseUrl() + QStringLiteral("s/"))
                .ok);
    QCOMPARE(m_server->requests().size(), 1);
    const RecordedRequest request = m_server->requests().at(0);
    QCOMPARE(request.method, QByteArray("GET"));
    QCOMPARE(request.target, target);
    QCOMPARE(request.headers.value("user-agent"), QByteArray("Seqget/0.5.0"));
    QCOMPARE(request.headers.value("referer"),
             (m_server->baseUrl() + QStringLiteral("s/")).toUtf8());
    QCOMPARE(request.headers.value("accept-encoding"), QByteArray("identity"));
}

void TestHttpTransfer::connectionKeptAcrossFetches()
{
    m_server->setResponse("/a", responseOf(200, "a"));
    m_server->setResponse("/b", responseOf(404, "none"));
    TestResponse redirect = responseOf(302, QByteArray());
    redirect.headers = { { "Location", "/a" } };
    m_server->setResponse("/r", redirect);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QVERIFY(fetchInto(*m_transfer, m_server->baseUrl() + QStringLiteral("a"), &sink).ok);
    QVERIFY(!fetchInto(*m_transfer, m_server->baseUrl() + QStringLiteral("b"), &sink).ok);
    QVERIFY(fetchInto(*m_transfer, m_server->baseUrl() + QStringLiteral("r"), &sink).ok);
    QCOMPARE(sink.data(), QByteArray("aa"));
    QCOMPARE(m_server->requestedPaths(), (QList<QByteArray> { "/a", "/b", "/r", "/a" }));
    QCOMPARE(m_server->connectionCount(), 1);
}

void TestHttpTransfer::absoluteUriThroughProxy()
{
    // The test server plays the proxy: it sees what a proxy would be sent.
    m_server->setResponse("/s/a.jpg", responseOf(200, "a"));
    m_transfer->setProxyHost(QStringLiteral("127.0.0.1"));
    QVERIFY(m_transfer->setPort(QString::number(m_server->port())));
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    QVERIFY(fetchInto(*m_transfer, QStringLiteral("http://series.invalid/s/a.jpg"), &sink).ok);
    QCOMPARE(m_server->requests().at(0).target, QByteArray("http://series.invalid/s/a.jpg"));

    m_transfer->setProxyHost(QString());
    QVERIFY(!fetchInto(*m_transfer, QStringLiteral("http://series.invalid/s/a.jpg"), &sink).ok);
    QCOMPARE(m_server->requests().size(), 1);
}

void TestHttpTransfer::failureIsNeverSynchronous()
{
    // A listener may start the next fetch from the signal; from inside
    // fetch() that would nest without end over a series of bad URLs.
    for (const QString &url : { QStringLiteral("ftp://127.0.0.1/a"), QStringLiteral("http://"),
                                QStringLiteral("file:///etc/passwd"), QStringLiteral("") }) {
        QSignalSpy spy(m_transfer.get(), &HttpTransfer::finished);
        m_transfer->fetch(url, QString(), nullptr);
        QCOMPARE(spy.size(), 0);
        QVERIFY(spy.wait(5000));
        QVERIFY(!spy.at(0).at(0).value<FetchResult>().ok);
    }
}

void TestHttpTransfer::abortReportsNothing()
{
    TestResponse held = responseOf(200, "late");
    held.hold = true;
    m_server->setResponse("/held", held);
    m_server->setResponse("/next", responseOf(200, "next"));
    QSignalSpy spy(m_transfer.get(), &HttpTransfer::finished);
    QSignalSpy requests(m_server.get(), &TestHttpServer::requestReceived);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    m_transfer->fetch(m_server->baseUrl() + QStringLiteral("held"), QString(), &sink);
    QVERIFY(requests.wait(5000));
    m_transfer->abort();
    m_transfer->fetch(QStringLiteral("ftp://x/"), QString(), nullptr);
    m_transfer->abort();
    QCOMPARE(spy.size(), 0);
    m_transfer->fetch(m_server->baseUrl() + QStringLiteral("next"), QString(), &sink);
    QVERIFY(spy.wait(5000));
    QVERIFY(spy.at(0).at(0).value<FetchResult>().ok);
    QCOMPARE(spy.size(), 1);
    QCOMPARE(sink.data(), QByteArray("next"));
}

void TestHttpTransfer::sinkWriteFailureFails()
{
    m_server->setResponse("/f", responseOf(200, QByteArray(100000, 'y')));
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    QVERIFY(!fetchInto(*m_transfer, m_server->baseUrl() + QStringLiteral("f"), &readOnly).ok);
}

void TestHttpTransfer::environmentProxiesIgnored_data()
{
    QTest::addColumn<QByteArray>("variable");
    QTest::addColumn<bool>("throughProxy");

    QTest::newRow("http_proxy, direct") << QByteArray("http_proxy") << false;
    QTest::newRow("all_proxy, direct") << QByteArray("all_proxy") << false;
    QTest::newRow("ALL_PROXY, direct") << QByteArray("ALL_PROXY") << false;
    QTest::newRow("no_proxy, through proxy") << QByteArray("no_proxy") << true;
    QTest::newRow("NO_PROXY, through proxy") << QByteArray("NO_PROXY") << true;
}

void TestHttpTransfer::environmentProxiesIgnored()
{
    QFETCH(QByteArray, variable);
    QFETCH(bool, throughProxy);
    // A proxy from the environment points where nothing listens; a no_proxy
    // list names every host.
    const bool noProxy = variable.toLower() == "no_proxy";
    qputenv(variable.constData(), noProxy ? "*" : "http://127.0.0.1:9");
    const auto restore = qScopeGuard([&variable] { qunsetenv(variable.constData()); });
    if (throughProxy) {
        m_transfer->setProxyHost(QStringLiteral("127.0.0.1"));
        QVERIFY(m_transfer->setPort(QString::number(m_server->port())));
    }
    m_server->setResponse("/a", responseOf(200, "a"));
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    const QString url = m_server->baseUrl() + QStringLiteral("a");
    QVERIFY(fetchInto(*m_transfer, url, &sink).ok);
    QCOMPARE(m_server->requests().size(), 1);
    QCOMPARE(m_server->requests().at(0).target, throughProxy ? url.toUtf8() : QByteArray("/a"));
}

QTEST_GUILESS_MAIN(TestHttpTransfer)
#include "TestHttpTransfer.moc"
