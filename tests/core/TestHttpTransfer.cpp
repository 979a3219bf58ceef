#include "HttpTransfer.h"
#include "TestHttpServer.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using Ending = TestResponse::Ending;

namespace {

TestResponse reply(int status, const QByteArray &body, qint64 sent = -1,
                   Ending ending = Ending::Keep, qint64 declared = -1, bool chunked = false)
{
    TestResponse response;
    response.status = status;
    response.body = body;
    response.sentLength = sent;
    response.ending = ending;
    response.declaredLength = declared;
    response.chunked = chunked;
    if (status / 100 == 3) // a redirect's body is where it points
        response.headers = { { "Location", body } };
    return response;
}

} // namespace

class TestHttpTransfer : public QObject
{
    Q_OBJECT

    // Fetches a path of the server (or a whole URL) and waits for the one finished().
    FetchResult get(const QString &url, QIODevice *sink = nullptr, const QString &referer = {})
    {
        QSignalSpy spy(m_transfer.get(), &HttpTransfer::finished);
        const QString full = url.contains(u"://"_s) ? url : m_server->baseUrl() + url;
        m_transfer->fetch(full, referer, sink ? sink : m_sink.get());
        if (spy.isEmpty() && !spy.wait(20000))
            return FetchResult { false, -1, -1, u"hang"_s };
        return spy.takeFirst().at(0).value<FetchResult>();
    }

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<HttpTransfer> m_transfer;
    std::unique_ptr<QBuffer> m_sink;

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->listen());
        m_transfer = std::make_unique<HttpTransfer>();
        m_transfer->setStallLimit(std::chrono::milliseconds(1000));
        m_sink = std::make_unique<QBuffer>();
        const bool refuses = QByteArray(QTest::currentDataTag()) == "sink refuses writing";
        m_sink->open(refuses ? QIODevice::ReadOnly : QIODevice::WriteOnly);
    }

    void outcome_data()
    {
        // Only a whole body counts; a failure leaves its first bytes in the sink.
        QTest::addColumn<TestResponse>("response");
        QTest::addColumn<int>("saved");
        const QByteArray body(70000, 'x');
        QTest::newRow("200") << reply(200, body) << 70000;
        QTest::newRow("404 page") << reply(404, "<html>gone</html>") << 0;
        QTest::newRow("huge 500 page") << reply(500, QByteArray(3 << 20, 'e')) << 0;
        QTest::newRow("closed early") << reply(200, body, 1000, Ending::Close) << 1000;
        QTest::newRow("Content-Length lies") << reply(200, body, 5, Ending::Stall, 100) << 5;
        QTest::newRow("stall") << reply(200, body, 10, Ending::Stall) << 10;
        QTest::newRow("chunked") << reply(200, body, -1, Ending::Keep, -1, true) << 70000;
        QTest::newRow("broken chunked") << reply(200, body, 500, Ending::Stall, -1, true) << 500;
        QTest::newRow("redirect to ftp") << reply(302, "ftp://127.0.0.1/f") << 0;
        QTest::newRow("redirect loop") << reply(302, "/f") << 0;
        QTest::newRow("sink refuses writing") << reply(200, body) << 0;
        QTest::newRow("206 to a request without Range") << reply(206, body) << 0;
        TestResponse twoLengths = reply(200, "short!");
        twoLengths.headers = { { "Content-Length", "44" } };
        QTest::newRow("two different lengths") << twoLengths << 0;
    }

    void outcome()
    {
        QFETCH(TestResponse, response);
        QFETCH(int, saved);
        m_server->setResponse("/f", response);
        const FetchResult result = get(u"f"_s);
        QCOMPARE(result.ok, saved == response.body.size());
        QCOMPARE(m_sink->data(), response.body.left(saved));
        QCOMPARE(result.bytes, qint64(saved));
    }

    void slowOrEndless_data()
    {
        QTest::addColumn<TestResponse>("response");
        QTest::addColumn<int>("stallLimitMs");
        TestResponse response = reply(200, QByteArray(100, 't'));
        for (int i = 0; i < 200; ++i)
            response.headers.append({ "X-Line", QByteArray::number(i) });
        response.trickle = TestResponse::Trickle::Head;
        QTest::newRow("head trickles") << response << 1000;
        response.headers.clear();
        response.trickle = TestResponse::Trickle::Body;
        QTest::newRow("body trickles") << response << 1000;
        // Far longer than the wait below: the status alone must end it.
        TestResponse endless = reply(404, "gone");
        endless.unframed = true;
        QTest::newRow("error page without length, kept open") << endless << 600000;
    }

    void slowOrEndless()
    {
        QFETCH(TestResponse, response);
        QFETCH(int, stallLimitMs);
        m_transfer->setStallLimit(std::chrono::milliseconds(stallLimitMs));
        m_server->setResponse("/f", response);
        const FetchResult result = get(u"f"_s);
        QVERIFY2(result.errorText != u"hang", "the fetch never ended");
        QVERIFY(!result.ok);
        QVERIFY(response.body.startsWith(m_sink->data()));
    }

    void requestHeaders()
    {
        // A folder typed with a blank and Japanese goes out escaped, as from a browser.
        const QByteArray target = "/s/my%20photos/%E7%94%BB%E5%83%8F/a.jpg";
        m_server->setResponse(target, reply(200, "a"));
        // A dropped sample can bring line breaks into the folder, and the
        // base URL can carry credentials; neither may reach the Referer raw.
        const QString referer = m_server->baseUrl().replace(u"//"_s, u"//user:secret@"_s)
            + u"s\r\nX-Injected: yes/"_s;
        QVERIFY(get(u"s/my photos/画像/a.jpg"_s, nullptr, referer).ok);
        QCOMPARE(m_server->requests().size(), 1);
        const RecordedRequest r = m_server->requests().at(0);
        const QHash<QByteArray, QByteArray> h = r.headers;
        QCOMPARE(r.method + ' ' + r.target, "GET " + target);
        QCOMPARE((QByteArrayList { h["user-agent"], h["referer"], h["accept-encoding"],
                                   h["x-injected"] }),
                 (QByteArrayList { "Seqget/" SEQGET_FILE_VERSION,
                                   m_server->baseUrl().toUtf8() + "s%0D%0AX-Injected:%20yes/",
                                   "identity", QByteArray() }));
    }

    void redirectChain_data()
    {
        QTest::addColumn<QString>("secondHop"); // from the https server
        QTest::addColumn<bool>("ok");
        QTest::newRow("https stays https") << u"https"_s << true;
        QTest::newRow("https back down to http") << u"http"_s << false;
    }

    void redirectChain()
    {
        QFETCH(QString, secondHop);
        QFETCH(bool, ok);
        TestHttpServer secure;
        QVERIFY(secure.listen(true));
        m_transfer->setCertificateAuthorities(TestHttpServer::certificateFile());
        const QString last = (secondHop == u"https" ? secure : *m_server).baseUrl() + u"last"_s;
        m_server->setResponse("/first", reply(302, (secure.baseUrl() + u"hop"_s).toUtf8()));
        secure.setResponse("/hop", reply(302, last.toUtf8()));
        secure.setResponse("/last", reply(200, "body"));
        m_server->setResponse("/last", reply(200, "body"));
        QCOMPARE(get(u"first"_s).ok, ok);
        QCOMPARE(m_sink->data(), ok ? "body"_ba : QByteArray());
        // Not even the request goes out over plain http once on https.
        QCOMPARE(m_server->requestedPaths(), QByteArrayList { "/first" });
    }

    void reusedConnectionClosedUnderTheRequest()
    {
        // One more than the retries libcurl allows an easy handle in its life.
        m_server->setDropRequestsOnReusedConnections(true);
        m_server->setResponse("/a", reply(200, "a"));
        for (int i = 0; i < 7; ++i)
            QVERIFY2(get(u"a"_s).ok, qPrintable(QString::number(i)));
        QCOMPARE(m_sink->data(), "aaaaaaa"_ba);
    }

    void connectionKeptAcrossFetches()
    {
        m_server->setResponse("/a", reply(200, "a"));
        m_server->setResponse("/r", reply(302, "/a"));
        QVERIFY(get(u"a"_s).ok);
        QVERIFY(!get(u"b"_s).ok);
        QVERIFY(get(u"r"_s).ok);
        QCOMPARE(m_sink->data(), "aa"_ba);
        QCOMPARE(m_server->requestedPaths(), (QByteArrayList { "/a", "/b", "/r", "/a" }));
        QCOMPARE(m_server->connectionCount(), 1);
    }

    void proxyChoice_data()
    {
        QTest::addColumn<QByteArray>("variable"); // set in the environment, to be ignored
        QTest::addColumn<bool>("throughProxy");
        QTest::newRow("proxy, absolute URI") << QByteArray() << true;
        QTest::newRow("http_proxy") << "http_proxy"_ba << false;
        QTest::newRow("ALL_PROXY") << "ALL_PROXY"_ba << false;
        QTest::newRow("no_proxy") << "no_proxy"_ba << true;
    }

    void proxyChoice()
    {
        // The test server plays the proxy; an environment proxy points where nothing listens.
        QFETCH(QByteArray, variable);
        QFETCH(bool, throughProxy);
        if (!variable.isEmpty())
            qputenv(variable.constData(), variable == "no_proxy" ? "*" : "http://127.0.0.1:9");
        const auto restore = qScopeGuard([&variable] { qunsetenv(variable.constData()); });
        m_transfer->setProxy(throughProxy ? u"127.0.0.1"_s : QString(), m_server->port());
        const QString url = throughProxy ? u"http://series.invalid/a"_s : u"a"_s;
        m_server->setResponse("/a", reply(200, "a"));
        QVERIFY(get(url).ok);
        QCOMPARE(m_server->requests().size(), 1);
        QCOMPARE(m_server->requests().at(0).target, throughProxy ? url.toUtf8() : "/a"_ba);
    }

    void failureIsNeverSynchronous()
    {
        // A listener may start the next fetch from the signal; from inside
        // fetch() that would nest without end over a series of bad URLs.
        for (const QString &url : { u"ftp://127.0.0.1/a"_s, u"http://"_s, u""_s }) {
            QSignalSpy spy(m_transfer.get(), &HttpTransfer::finished);
            m_transfer->fetch(url, QString(), nullptr);
            QCOMPARE(spy.size(), 0);
            QVERIFY(spy.wait(5000));
            QVERIFY(!spy.at(0).at(0).value<FetchResult>().ok);
        }
    }

    void abortReportsNothing()
    {
        TestResponse held = reply(200, "late");
        held.hold = true;
        m_server->setResponse("/held", held);
        m_server->setResponse("/next", reply(200, "next"));
        QSignalSpy spy(m_transfer.get(), &HttpTransfer::finished);
        QSignalSpy requests(m_server.get(), &TestHttpServer::requestReceived);
        m_transfer->fetch(m_server->baseUrl() + u"held"_s, QString(), m_sink.get());
        QVERIFY(requests.wait(5000));
        m_transfer->abort();
        m_transfer->fetch(u"ftp://x/"_s, QString(), nullptr);
        m_transfer->abort();
        QVERIFY(get(u"next"_s).ok);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(m_sink->data(), "next"_ba);
    }
};

QTEST_GUILESS_MAIN(TestHttpTransfer)
#include "TestHttpTransfer.moc"
