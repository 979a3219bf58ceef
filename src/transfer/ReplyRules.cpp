#include "transfer/ReplyRules.h"

#include <QList>
#include <algorithm>

namespace {

bool startsWithNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size()
        && qstrnicmp(text.data(), prefix.size(), prefix.data(), prefix.size()) == 0;
}

bool isDigits(QByteArrayView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A 206 answers a Range request, and none is sent: it is a part, not the file.
bool isWholeBody(int status)
{
    return status >= 200 && status <= 299 && status != 206;
}

} // namespace

ReplyRules::Step ReplyRules::request(QByteArrayView url)
{
    m_target.clear();
    // A chain that was refused goes nowhere.
    if (m_refusal != Refusal::None)
        return Step::Stop;
    const bool https = startsWithNoCase(url, "https:");
    if (m_reachedHttps && !https) {
        m_refusal = Refusal::HttpsToHttp;
        return Step::Stop;
    }
    m_reachedHttps = m_reachedHttps || https;
    if (m_redirected) {
        m_redirected = false;
        ++m_hops;
        m_attempts = 0;
    }
    m_status = 0;
    m_headEnded = false;
    m_replyBytes = 0;
    return Step::Go;
}

ReplyRules::Step ReplyRules::headLine(QByteArrayView line)
{
    m_replyBytes += line.size();
    // A status line opens each reply of a chain (and each interim 1xx).
    if (startsWithNoCase(line, "HTTP/")) {
        const qsizetype space = line.indexOf(' ');
        m_status = space >= 0 && line.size() - space >= 4 ? line.sliced(space + 1, 3).toInt() : 0;
        m_chunked = m_conflictingLengths = m_unreadableLength = m_redirected = false;
        m_contentLength.clear();
        m_location.clear();
        m_target.clear();
        m_headEnded = false;
    } else if (m_headEnded) {
        // Trailers after a chunked body come this way too, and end with an
        // empty line of their own. The head has been decided: a trailer
        // that took its Location back would let libcurl follow a redirect
        // that is never counted, round and round.
    } else if (startsWithNoCase(line, "content-length:")) {
        // Two lengths that disagree leave the body's end unknown: a short
        // body could pass for a whole one. So does one too large for 64
        // bits, which libcurl would read as no length at all.
        for (const QByteArray &part : line.sliced(15).toByteArray().split(',')) {
            const QByteArray number = part.trimmed();
            bool fits = false;
            number.toLongLong(&fits);
            m_unreadableLength = m_unreadableLength || !fits || !isDigits(number);
            m_conflictingLengths
                = m_conflictingLengths || (!m_contentLength.isEmpty() && number != m_contentLength);
            m_contentLength = number;
        }
    } else if (startsWithNoCase(line, "transfer-encoding:")) {
        m_chunked = line.sliced(18).toByteArray().toLower().contains("chunked");
    } else if (startsWithNoCase(line, "location:")) {
        m_location = line.sliced(9).toByteArray().trimmed();
    } else if (!line.isEmpty() && line.size() <= 2 && (line[0] == '\r' || line[0] == '\n')) {
        return endOfHead();
    }
    return Step::Go;
}

ReplyRules::Step ReplyRules::endOfHead()
{
    m_headEnded = true;
    if (m_conflictingLengths) {
        m_refusal = Refusal::ConflictingLengths;
        return Step::Stop;
    }
    if (m_unreadableLength) {
        m_refusal = Refusal::UnreadableLength;
        return Step::Stop;
    }
    if (isWholeBody(m_status) || m_status < 200)
        return Step::Go;
    const bool framed
        = m_chunked || !m_contentLength.isEmpty() || m_status == 204 || m_status == 304;
    m_redirected = m_status >= 300 && m_status <= 399 && !m_location.isEmpty();
    if (m_redirected && m_hops >= maxRedirects) {
        m_refusal = Refusal::TooManyRedirects;
        return Step::Stop;
    }
    // An error reply that ends only when the server closes would hold the
    // connection, and the run, for as long as the server likes; a redirect
    // of that kind is followed from here, since its body is never read.
    if (m_redirected)
        m_target = m_location;
    if (!framed)
        return m_redirected ? Step::Follow : Step::Stop;
    return Step::Go;
}

ReplyRules::Step ReplyRules::body(qsizetype size)
{
    m_replyBytes += size;
    if (bodyIsFile())
        return Step::Go;
    m_discarded += size;
    return m_discarded > maxDiscardedBody ? Step::Stop : Step::Go;
}

bool ReplyRules::retryAfterDrop()
{
    if (m_replyBytes > 0 || m_attempts + 1 >= maxAttempts)
        return false;
    ++m_attempts;
    return true;
}

bool ReplyRules::bodyIsFile() const
{
    return isWholeBody(m_status) && m_refusal == Refusal::None;
}

ReplyRules::Refusal ReplyRules::refusal() const
{
    if (m_refusal != Refusal::None)
        return m_refusal;
    return m_status == 0 || isWholeBody(m_status) ? Refusal::None : Refusal::ErrorStatus;
}

QString ReplyRules::describe(Refusal refusal, int status)
{
    switch (refusal) {
    case Refusal::None:
        break;
    case Refusal::ConflictingLengths:
        return QStringLiteral("conflicting Content-Length headers");
    case Refusal::UnreadableLength:
        return QStringLiteral("Content-Length is no 64-bit length");
    case Refusal::ErrorStatus:
        return QStringLiteral("HTTP status %1").arg(status);
    case Refusal::HttpsToHttp:
        return QStringLiteral("redirected from https to http");
    case Refusal::TooManyRedirects:
        return QStringLiteral("too many redirects");
    }
    return QString();
}
