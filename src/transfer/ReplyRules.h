#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// What the replies of one fetch mean, apart from any socket: fed every
// request of a redirect chain as it goes out, and the head lines and body
// pieces of each reply as they come in, it says what to do next. The
// transfer moves the bytes and asks; nothing here reads a socket or a file.
//
// The rules:
// - A body is the file only in a 2xx reply other than 206 (no Range is ever
//   sent, so a part is not the file).
// - Two Content-Length values that differ, or one that is no number of 64
//   bits, leave the body's end unknown: the fetch fails at the head's end.
// - A reply that is not the file, and whose body has no length and no
//   chunked framing, would end only when the server closes: an error page is
//   given up at once, and a redirect is followed at once (Step::Follow).
// - An error page with a length is read to its end, so that the connection
//   can serve the next file, up to maxDiscardedBody bytes.
// - Once a chain has been on https, no request goes out over plain http.
// - At most maxRedirects redirects per fetch.
// - A connection that closed before any byte of the answer came is asked
//   again, on a new one, up to maxAttempts times per request.
class ReplyRules final
{
public:
    enum class Refusal {
        None,
        ConflictingLengths,
        UnreadableLength,
        ErrorStatus,
        HttpsToHttp,
        TooManyRedirects,
    };

    enum class Step {
        Go, // send the request, read on
        Follow, // drop this reply with its connection and ask for followTarget()
        Stop, // the fetch fails with refusal()
    };

    static constexpr int maxRedirects = 10;
    static constexpr qint64 maxDiscardedBody = 1024 * 1024;
    static constexpr int maxAttempts = 3;

    // Forgets the fetch before, for a new one.
    void reset() { *this = ReplyRules(); }

    // A request is about to go out to url: the first, a redirect's, or the
    // same again after a drop. Telling it twice changes nothing.
    Step request(QByteArrayView url);
    // One line of a reply's head, its line end included. The empty line that
    // ends a head decides: Go (its body follows), Follow or Stop.
    Step headLine(QByteArrayView line);
    // A piece of the body came. Stop when an error page runs too long.
    Step body(qsizetype size);
    // The connection closed with the request under way. True, counting an
    // attempt, when nothing of the answer had come and attempts remain.
    bool retryAfterDrop();

    // Whether the body now coming is the file, to be saved.
    bool bodyIsFile() const;
    // The Location of the last reply when it is a redirect that may be
    // followed, as the server sent it; empty once the next request is out.
    QByteArray followTarget() const { return m_target; }
    // Why the fetch fails as things stand: a refusal made, or the status of
    // the last reply when it is not the file. None before any reply.
    Refusal refusal() const;
    int status() const { return m_status; }

    static QString describe(Refusal refusal, int status);

private:
    Step endOfHead();

    // The reply under way.
    int m_status = 0;
    bool m_chunked = false;
    bool m_conflictingLengths = false;
    bool m_unreadableLength = false;
    QByteArray m_contentLength;
    QByteArray m_location;
    QByteArray m_target;
    bool m_headEnded = false;
    // The chain.
    Refusal m_refusal = Refusal::None;
    bool m_reachedHttps = false;
    bool m_redirected = false; // the last head was a redirect; the next request is a hop
    int m_hops = 0;
    int m_attempts = 0;
    qint64 m_replyBytes = 0;
    qint64 m_discarded = 0;
};
