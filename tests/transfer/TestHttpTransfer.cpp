#include "transfer/HttpTransfer.h"
#include "transfer/RequestAddresses.h"
#include "Version.h"
#include "support/TestHttpServer.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Ending = TestResponse::Ending;
using Trickle = TestResponse::Trickle;

namespace {

// A 302 to location; without a length its end is never sent, so only its head can be read.
TestResponse redirectTo(const QByteArray &location, bool framed)
{
    const QByteArray header = "Location: " + location + "\r\n";
    return framed ? reply(302, {}, header)
                  : TestResponse { "HTTP/1.1 302 Test\r\n" + header + "\r\n", Ending::Stall };
}

// Fetches url into sink and waits for its one finished(); a failed result on a hang.
FetchResult fetch(HttpTransfer &transfer, const QByteArray &url, QIODevice *sink,
                  const QByteArray &referer = {})
{
    QSignalSpy finished(&transfer, &HttpTransfer::finished);
    transfer.fetch(url, referer, sink);
    if (finished.isEmpty() && !finished.wait(20000))
        return { false, -1, 0, u"no finished()"_s };
    return finished.takeFirst().at(0).value<FetchResult>();
}

// The body of a whole fetch, or "failed".
QByteArray body(HttpTransfer &transfer, const QByteArray &url)
{
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    return fetch(transfer, url, &sink).ok ? sink.data() : "failed";
}

} // namespace

class TestHttpTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Only the proxy the user chose counts: one from the environment would
    // send every direct fetch where nothing listens.
    void initTestCase()
    {
        for (const char *variable : { "http_proxy", "HTTPS_PROXY", "ALL_PROXY" })
            qputenv(variable, "http://127.0.0.1:9");
    }

    void replies_data()
    {
        // sunk: what the sink gets when the fetch is ok; a failed one may have
        // passed on a beginning of it, and no more.
        // stalls: only the stall limit of a second can end it.
        QTest::addColumn<TestResponse>("response");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QByteArray>("sunk");
        QTest::addColumn<bool>("stalls");
        const QByteArray body(70000, 'x');
        const auto row = [](const char *name, const TestResponse &response, bool ok,
                            const QByteArray &sunk = {}, bool stalls = false) {
            QTest::newRow(name) << response << ok << sunk << stalls;
        };
        TestResponse bodyTrickle = reply(200, QByteArray(40, 't'));
        bodyTrickle.trickle = Trickle::Body;
        // 400 bytes a second for five seconds.
        TestResponse headTrickle
            = reply(200, "late", QByteArray("X-Padding: 12345678\r\n").repeated(100));
        headTrickle.trickle = Trickle::Head;
        row("200", reply(200, body), true, body);
        row("chunked",
            { "HTTP/1.1 200 Test\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n" },
            true, "hello");
        row("empty body", reply(200, {}), true);
        row("404 page", reply(404, "<html>gone</html>"), false);
        row("huge 500 page", reply(500, QByteArray(3 << 20, 'e')), false);
        row("closed early", { reply(200, body).raw.chopped(69000), Ending::Close }, false, body);
        row("stalled", { reply(200, body).raw.chopped(69990), Ending::Stall }, false, body, true);
        row("body trickles", bodyTrickle, false, bodyTrickle.raw.right(40), true);
        row("head trickles", headTrickle, false, {}, true);
        // The status alone must end it: the connection stays open and silent.
        row("error page without length", { "HTTP/1.1 404 Test\r\n\r\ngone", Ending::Stall }, false);
        row("redirect loop", redirectTo("/file", true), false);
        row("redirect without length", redirectTo("/other", false), true, "other");
        row("redirect loop without length", redirectTo("/file", false), false);
        row("206 to a request without Range", reply(206, body), false);
        row("two different lengths", reply(200, "short!", "Content-Length: 44\r\n"), false);
        row("length beyond 64 bits",
            { "HTTP/1.1 200 Test\r\nContent-Length: 36893488147419103232\r\n\r\nabcdef",
              Ending::Close },
            false);
        row("disk full", reply(200, QByteArray(1 << 20, 'x')), false);
    }

    // What reaches the sink, and whether the fetch counts as whole; the next
    // fetch works whatever the reply was.
    void replies()
    {
        QFETCH(TestResponse, response);
        QFETCH(bool, ok);
        QFETCH(QByteArray, sunk);
        QFETCH(bool, stalls);
        TestHttpServer server;
        QVERIFY(server.listen());
        server.responses.insert("/file", response);
        server.responses.insert("/other", reply(200, "other"));
        HttpTransfer transfer({ stalls ? 1s : 10min, {} });
        QBuffer buffer;
        QFile full(u"/dev/full"_s);
        const bool diskFull = QByteArray(QTest::currentDataTag()) == "disk full";
        QIODevice &sink = diskFull ? static_cast<QIODevice &>(full) : buffer;
        QVERIFY(sink.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray url = server.baseUrl().toUtf8();
        const FetchResult result = fetch(transfer, url + "file", &sink);
        QCOMPARE(result.ok, ok);
        QCOMPARE(result.bytes, buffer.size());
        QVERIFY(ok ? buffer.data() == sunk : sunk.startsWith(buffer.data()));
        QCOMPARE(body(transfer, url + "other"), "other"_ba);
    }

    // A connection closed before any byte of the answer is asked again, a
    // few times but not for ever.
    void closedBeforeAnswer_data()
    {
        QTest::addColumn<int>("drops");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("once") << 1 << "body"_ba;
        QTest::newRow("every time") << 100 << "failed"_ba;
    }

    void closedBeforeAnswer()
    {
        QFETCH(int, drops);
        TestHttpServer server;
        QVERIFY(server.listen());
        server.responses.insert("/file", reply(200, "body"));
        server.dropFirstRequests = drops;
        HttpTransfer transfer;
        QTEST(body(transfer, server.baseUrl().toUtf8() + "file"), "result");
        const int asked = drops - server.dropFirstRequests + int(server.requests.size());
        QVERIFY2(asked > 1 && asked < 10, qPrintable(QString::number(asked)));
    }

    void redirects_data()
    {
        QTest::addColumn<bool>("toHttps"); // else back to plain http
        QTest::addColumn<bool>("framed"); // else the last hop has no length
        QTest::newRow("on to https") << true << true;
        QTest::newRow("on to https without length") << true << false;
        QTest::newRow("back to http") << false << true;
        QTest::newRow("back to http without length") << false << false;
    }

    // http to https and on: once on https, not even the request goes out
    // over plain http.
    void redirects()
    {
        QFETCH(bool, toHttps);
        QFETCH(bool, framed);
        TestHttpServer plain, secure;
        QVERIFY(plain.listen() && secure.listen(true));
        if (!secure.handshakes()) {
#ifdef Q_OS_WIN
            // Wine's TLS gets no handshake through between two of its own
            // sockets, Qt's or libcurl's.
            QSKIP("this system's TLS does not serve the test certificate");
#else
            QFAIL("the test server's TLS does not serve its certificate");
#endif
        }
        const QByteArray last = (toHttps ? secure : plain).baseUrl().toUtf8() + "last";
        plain.responses.insert("/first", redirectTo(secure.baseUrl().toUtf8() + "hop", true));
        secure.responses.insert("/hop", redirectTo(last, framed));
        secure.responses.insert("/last", reply(200, "body"));
        plain.responses.insert("/last", reply(200, "body"));
        HttpTransfer transfer({ 30s, TestHttpServer::certificateFile() });
        QCOMPARE(body(transfer, plain.baseUrl().toUtf8() + "first"), toHttps ? "body" : "failed");
        QCOMPARE(plain.requests.size(), 1);
    }

    // The request as the server sees it: the folder escaped as a browser
    // would, and the Referer, the series' folder, without credentials or raw
    // line breaks.
    void request()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        const QString url = server.baseUrl();
        const QString folder = QString(url).replace(u"//"_s, u"//user:secret@"_s)
            + u"s\r\nX-Injected: yes/my photos/画像/"_s;
        RequestAddresses addresses;
        HttpTransfer transfer;
        fetch(transfer, addresses.url(folder + u"hana001.jpg"_s), nullptr,
              addresses.referer(folder));
        const QByteArray sent
            = url.toUtf8() + "s%0D%0AX-Injected:%20yes/my%20photos/%E7%94%BB%E5%83%8F/";
        const RecordedRequest r = server.requests.value(0);
        QCOMPARE((QByteArrayList { r.target, r.headers["user-agent"], r.headers["referer"],
                                   r.headers["accept-encoding"], r.headers["x-injected"] }),
                 (QByteArrayList { sent.mid(url.size() - 1) + "hana001.jpg",
                                   "Seqget/" SEQGET_FILE_VERSION, sent, "identity", "" }));
    }
};

QTEST_GUILESS_MAIN(TestHttpTransfer)
#include "TestHttpTransfer.moc"
