#include "support/Rows.h"
#include "transfer/ReplyRules.h"

#include <QTest>

using Step = ReplyRules::Step;
using Refusal = ReplyRules::Refusal;
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Refusal)

namespace {

QByteArray head(int status, const QByteArray &headers)
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Test\r\n" + headers + "\r\n";
}

QByteArray redirect(const QByteArray &location, const QByteArray &length = "0")
{
    return head(302,
                "Location: " + location + "\r\n"
                    + (length.isEmpty() ? "" : "Content-Length: " + length + "\r\n"));
}

// Each request of the chain in turn, and the head that answered it, line by
// line as libcurl hands them over, then the body; the last step taken. A
// redirect to follow goes on to the next request, as the transfer does.
Step feed(ReplyRules &rules, const QByteArrayList &urls, const QByteArrayList &heads,
          qsizetype body)
{
    Step step = Step::Go;
    for (qsizetype i = 0; i < urls.size(); ++i) {
        if ((step = rules.request(urls[i])) != Step::Go)
            continue;
        const QByteArrayList lines = heads.value(i).split('\n');
        for (qsizetype l = 0; l + 1 < lines.size() && step == Step::Go; ++l)
            step = rules.headLine(lines[l] + '\n');
        if (step == Step::Stop)
            return step;
    }
    return step == Step::Go && body > 0 ? rules.body(body) : step;
}

} // namespace

class TestReplyRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void chain_data()
    {
        // clang-format off
        // the requests of a chain, the head that answered each, body bytes after the last
        dataTable<QByteArrayList, QByteArrayList, qsizetype, Step, bool, Refusal, QByteArray>({ "urls", "heads", "body", "step", "file", "refusal", "target" });
        const auto row = [](const char *name, const QByteArrayList &urls, const QByteArrayList &heads, qsizetype body, Step step, bool file, Refusal refusal, const QByteArray &target = {}) {
            QTest::newRow(name) << urls << heads << body << step << file << refusal << target;
        };
        const QByteArrayList http { "http://h/a" };
        row("200 with a length", http, { head(200, "Content-Length: 5\r\n") }, 5, Step::Go, true, Refusal::None);
        row("200 chunked, names in any case", http, { head(200, "transfer-ENCODING: gzip, Chunked\r\n") }, 5, Step::Go, true, Refusal::None);
        row("200 ended by the close", http, { head(200, {}) }, 5, Step::Go, true, Refusal::None);
        row("the same length twice", http, { head(200, "Content-Length: 5, 5\r\nContent-Length: 5\r\n") }, 0, Step::Go, true, Refusal::None);
        row("an interim 100 first", http, { "HTTP/1.1 100 Continue\r\n\r\n" + head(201, {}) }, 0, Step::Go, true, Refusal::None);
        row("206 is a part", http, { head(206, "Content-Length: 5\r\n") }, 5, Step::Go, false, Refusal::ErrorStatus);
        row("error page with a length is read on", http, { head(404, "Content-Length: 5\r\n") }, 5, Step::Go, false, Refusal::ErrorStatus);
        row("error page beyond a megabyte", http, { head(500, "Content-Length: 9999999\r\n") }, ReplyRules::maxDiscardedBody + 1, Step::Stop, false, Refusal::ErrorStatus);
        row("error page chunked, no blank after the colon", http, { head(404, "Transfer-Encoding:chunked\r\n") }, 5, Step::Go, false, Refusal::ErrorStatus);
        row("error page without a length", http, { head(404, {}) }, 0, Step::Stop, false, Refusal::ErrorStatus);
        row("304 needs no length", http, { head(304, {}) }, 0, Step::Go, false, Refusal::ErrorStatus);
        row("two different lengths", http, { head(200, "Content-Length: 5\r\nContent-Length: 6\r\n") }, 0, Step::Stop, false, Refusal::ConflictingLengths);
        row("two lengths in one line", http, { head(200, "Content-Length: 5, 6\r\n") }, 0, Step::Stop, false, Refusal::ConflictingLengths);
        row("length beyond 64 bits", http, { head(200, "Content-Length: 36893488147419103232\r\n") }, 0, Step::Stop, false, Refusal::UnreadableLength);
        row("length with a sign", http, { head(200, "Content-Length: +5\r\n") }, 0, Step::Stop, false, Refusal::UnreadableLength);
        row("redirect with a length is left to libcurl", http, { redirect("/b") }, 0, Step::Go, false, Refusal::ErrorStatus, "/b");
        row("a line that starts with CR ends no head", http, { "HTTP/1.1 302 Test\r\n\rjunk\r\nLocation: /b\r\n\r\n" }, 0, Step::Follow, false, Refusal::ErrorStatus, "/b");
        row("redirect without a length followed at once", http, { redirect(" /b ", {}) }, 0, Step::Follow, false, Refusal::ErrorStatus, "/b");
        row("redirect without Location is an error page", http, { head(302, {}) }, 0, Step::Stop, false, Refusal::ErrorStatus);
        row("followed to a file", { "http://h/a", "http://h/b" }, { redirect("/b", {}), head(200, {}) }, 1, Step::Go, true, Refusal::None);
        row("on to https", { "http://h/a", "https://h/b" }, { redirect("https://h/b") }, 0, Step::Go, false, Refusal::None);
        row("https down to http", { "https://h/a", "http://h/b" }, { redirect("http://h/b") }, 0, Step::Stop, false, Refusal::HttpsToHttp);
        row("HTTPS in capitals, then http", { "HTTPS://h/a", "http://h/b" }, { redirect("http://h/b") }, 0, Step::Stop, false, Refusal::HttpsToHttp);
        row("http, https, then http", { "http://h/a", "https://h/b", "http://h/c" }, { redirect("https://h/b"), redirect("http://h/c") }, 0, Step::Stop, false, Refusal::HttpsToHttp);
        row("refused, then asked again", { "https://h/a", "http://h/b", "https://h/c" }, { redirect("http://h/b") }, 0, Step::Stop, false, Refusal::HttpsToHttp);
        row("a reply after a redirect's head is no redirect", http, { redirect("/b") + head(200, {}) }, 0, Step::Go, true, Refusal::None);
        QByteArrayList urls, heads;
        for (int hop = 0; hop <= ReplyRules::maxRedirects; ++hop) {
            urls << "http://h/" + QByteArray::number(hop);
            heads << redirect("/" + QByteArray::number(hop + 1), hop % 2 ? "0" : "");
        }
        row("as many redirects as allowed", urls.first(ReplyRules::maxRedirects + 1), heads.first(ReplyRules::maxRedirects) << head(200, {}), 0, Step::Go, true, Refusal::None);
        row("one redirect too many", urls, heads, 0, Step::Stop, false, Refusal::TooManyRedirects);
        for (QByteArray &each : heads)
            each = each.replace("Content-Length: 0", "Transfer-Encoding: chunked") + "Location:\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\n";
        row("trailers take nothing back", urls, heads, 0, Step::Stop, false, Refusal::TooManyRedirects);
        // clang-format on
    }

    // What each reply of a chain makes the transfer do, and what the fetch
    // ends as.
    void chain()
    {
        const auto [urls, heads, body]
            = fetch<QByteArrayList, QByteArrayList, qsizetype>("urls", "heads", "body");
        ReplyRules rules;
        // Whatever an earlier fetch left behind is forgotten.
        feed(rules, { "https://h/0" }, { redirect("/1", {}) }, 0);
        rules.reset();
        QTEST(feed(rules, urls, heads, body), "step");
        QTEST(rules.bodyIsFile(), "file");
        QTEST(rules.refusal(), "refusal");
        QTEST(rules.followTarget(), "target");
    }

    void retries_data()
    {
        // clang-format off
        // what came of the answer before each drop; whether a redirect is followed after the
        // first two drops; whether each of six drops is asked again
        dataTable<QByteArray, bool, QList<bool>>({ "before", "hop", "asked" });
        QTest::newRow("nothing came") << QByteArray() << false << QList<bool> { true, true, false, false, false, false };
        QTest::newRow("a status line came") << QByteArray("HTTP/1.1 200 OK\r\n") << false << QList<bool>(6, false);
        QTest::newRow("a redirect starts afresh") << QByteArray() << true << QList<bool> { true, true, true, true, false, false };
        // clang-format on
    }

    // A connection that closed before the answer is asked again, a few
    // times per request.
    void retries()
    {
        const auto [before, hop] = fetch<QByteArray, bool>("before", "hop");
        ReplyRules rules;
        QList<bool> asked;
        QByteArray url = "http://h/a";
        for (int drop = 0; drop < 6; ++drop) {
            if (hop && drop == 2) {
                feed(rules, { url }, { redirect("/b", {}) }, 0);
                url = "http://h/b";
            }
            rules.request(url);
            if (!before.isEmpty())
                rules.headLine(before);
            asked << rules.retryAfterDrop();
        }
        QTEST(asked, "asked");
    }
};

QTEST_APPLESS_MAIN(TestReplyRules)
#include "TestReplyRules.moc"
