#include "Version.h"
#include "platform/PathStyle.h"
#include "support/Rows.h"
#include "support/TestHttpServer.h"
#include "transfer/HttpTransfer.h"
#include "transfer/RequestAddresses.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;
using Ending = TestResponse::Ending;

namespace {

// A 302 to location; without a length its end is never sent, so only its head can be read.
TestResponse redirectTo(const QByteArray &location, bool framed)
{
    const QByteArray header = "Location: " + location + "\r\n";
    return framed ? reply(302, {}, header)
                  : TestResponse { "HTTP/1.1 302 Test\r\n" + header + "\r\n", Ending::Stall };
}

// Fetches url into sink and waits for its one finished(); a failed result on a hang.
FetchResult get(HttpTransfer &transfer, const QByteArray &url, QIODevice *sink,
                const QByteArray &referer = {})
{
    QSignalSpy finished(&transfer, &HttpTransfer::finished);
    transfer.fetch(url, referer, sink);
    // Never from inside fetch(): the run starts the next file from the signal.
    if (!finished.isEmpty())
        return { false, -1, 0, u"finished() inside fetch()"_s };
    if (!finished.wait(20000))
        return { false, -1, 0, u"no finished()"_s };
    return finished.takeFirst().at(0).value<FetchResult>();
}

// The body of a whole fetch, or "failed".
QByteArray body(HttpTransfer &transfer, const QByteArray &url)
{
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    return get(transfer, url, &sink).ok ? sink.data() : "failed";
}

} // namespace

// What only a real socket shows: libcurl's framing, stalls, drops and TLS as
// the transfer drives them. What the replies mean is TestReplyRules'.
class TestHttpTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A sink that cannot take the body fails the fetch, and the next one
    // on the same transfer works.
    void diskFull()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        server.responses.insert("/file", reply(200, QByteArray(3 << 20, 'x')));
        server.responses.insert("/other", reply(200, "other"));
        HttpTransfer transfer;
        QFile full(u"/dev/full"_s);
        if (!full.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            QSKIP("no /dev/full here");
        QVERIFY(!get(transfer, server.baseUrl().toUtf8() + "file", &full).ok);
        QCOMPARE(body(transfer, server.baseUrl().toUtf8() + "other"), "other"_ba);
    }

    void redirects_data()
    {
        // on to https, else back to plain http; the last hop with a length, else
        // without; the connections plain http gets over both fetches
        dataTable<bool, bool, int>({ "toHttps", "framed", "connections" });
        QTest::newRow("on to https") << true << true << 2;
        QTest::newRow("on to https without length") << true << false << 2;
        // libcurl follows this one itself and connects before it asks
        QTest::newRow("back to http") << false << true << 3;
        QTest::newRow("back to http without length") << false << false << 2;
    }

    // http to https and on: once on https, not even the request goes out
    // over plain http, nor a connection where the redirect is followed here.
    void redirects()
    {
        const auto [toHttps, framed] = fetch<bool, bool>("toHttps", "framed");
        TestHttpServer plain, secure;
        QVERIFY(plain.listen() && secure.listen(true));
        if (Platform::pathStyle() == PathStyle::Windows)
            QSKIP("Wine's TLS gets no handshake through between two of its own sockets");
        const QByteArray last = (toHttps ? secure : plain).baseUrl().toUtf8() + "last";
        TestResponse first = redirectTo(secure.baseUrl().toUtf8() + "hop", true);
        first.ending = Ending::Close;
        plain.responses.insert("/first", first);
        secure.responses.insert("/hop", redirectTo(last, framed));
        secure.responses.insert("/last", reply(200, "body"));
        plain.responses.insert("/last", reply(200, "body"));
        HttpTransfer transfer({ 30s, TestHttpServer::certificateFile() });
        QCOMPARE(body(transfer, plain.baseUrl().toUtf8() + "first"), toHttps ? "body" : "failed");
        QCOMPARE(plain.requests.size(), 1);
        // The next file starts afresh, on plain http.
        QCOMPARE(body(transfer, plain.baseUrl().toUtf8() + "last"), "body"_ba);
        QTEST(plain.connectionsMade, "connections");
    }

    // The request as the server sees it: the folder escaped as a browser
    // would, the Referer without credentials or raw line breaks, the body
    // asked for as the server keeps it.
    void request()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        const QString url = server.baseUrl();
        const QString folder = QString(url).replace(u"//"_s, u"//user:secret@"_s)
            + u"s\r\nX-Injected: yes/my photos/画像/"_s;
        RequestAddresses addresses;
        HttpTransfer transfer;
        get(transfer, addresses.url(folder + u"hana001.jpg"_s), nullptr, addresses.referer(folder));
        const QByteArray sent
            = url.toUtf8() + "s%0D%0AX-Injected:%20yes/my%20photos/%E7%94%BB%E5%83%8F/";
        const RecordedRequest r = server.requests.value(0);
        QCOMPARE(r.target, sent.mid(url.size() - 1) + "hana001.jpg");
        QCOMPARE(r.headers["user-agent"], "Seqget/" SEQGET_FILE_VERSION);
        QCOMPARE(r.headers["referer"], sent);
        QCOMPARE(r.headers["accept-encoding"], "identity");
        QVERIFY(!r.headers.contains("x-injected"));
    }
};

QTEST_GUILESS_MAIN(TestHttpTransfer)
#include "TestHttpTransfer.moc"
