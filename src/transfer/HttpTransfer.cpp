#include "transfer/HttpTransfer.h"

#include "Version.h"

#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <curl/curl.h>
#include <limits>

namespace {

// Large enough that a fast local server is not throttled by the callbacks,
// small enough that a gigabyte body never sits in memory.
constexpr long receiveBufferSize = 512 * 1024;
constexpr long maxRedirects = 10;
// libcurl hands the body over 16 KiB at a time; it goes to the sink in
// pieces of this size instead, a few system calls per megabyte.
constexpr qsizetype sinkWriteSize = 512 * 1024;
// An error page is read to its end so that the connection can serve the next
// file; one larger than this costs less to drop with its connection.
constexpr qint64 maxDiscardedBody = 1024 * 1024;
// A body that moves less than this over a whole stall limit (with the usual
// 30 s, 10 bytes a second) counts as stalled: a server that trickles a byte
// now and then must not hold a run for ever.
constexpr long minimumBytesPerLimit = 300;
// A kept-alive connection that the peer closed just as the request went out
// is not the server's answer; the request goes out again on a new one.
constexpr int maxAttempts = 3;

// A 206 answers a Range request, and none is sent: it is a part, not the file.
bool isWholeBody(int status)
{
    return status >= 200 && status <= 299 && status != 206;
}

void initCurlOnce()
{
    // Not thread-safe in older libcurl, and needed once per process only.
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(init);
}

bool startsWithNoCase(const char *data, size_t length, const char *prefix)
{
    const size_t n = qstrlen(prefix);
    return length >= n && qstrnicmp(data, prefix, n) == 0;
}

// Frees a libcurl handle with the function made for it.
template<auto release> struct CurlDeleter
{
    template<typename Handle> void operator()(Handle *handle) const { release(handle); }
};

using MultiHandle = std::unique_ptr<CURLM, CurlDeleter<curl_multi_cleanup>>;
using EasyHandle = std::unique_ptr<CURL, CurlDeleter<curl_easy_cleanup>>;
using HeaderList = std::unique_ptr<curl_slist, CurlDeleter<curl_slist_free_all>>;
using UrlHandle = std::unique_ptr<CURLU, CurlDeleter<curl_url_cleanup>>;
using CurlText = std::unique_ptr<char, CurlDeleter<curl_free>>;

bool isDigits(const QByteArray &text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// What one header block of a reply says about its status and its framing.
struct ReplyHead
{
    int status = 0;
    bool chunked = false;
    bool redirect = false;
    QByteArray location;
    QByteArray contentLength;
    bool conflictingLengths = false;
    bool unreadableLength = false;

    bool hasLength() const { return chunked || !contentLength.isEmpty(); }
    // Whether the body of a reply that is not the file can still be read to
    // its end.
    bool bodyIsFramed() const
    {
        return hasLength() || status < 200 || status == 204 || status == 304;
    }
};

} // namespace

class HttpTransfer::Private
{
public:
    explicit Private(HttpTransfer *owner);
    ~Private();

    void fetch(const QByteArray &url, const QByteArray &referer, QIODevice *sink);
    void abort();
    void setProxy(const QString &host, quint16 port);
    void setCertificateAuthorities(const QString &pemFile);
    void setStallLimit(std::chrono::milliseconds limit);

private:
    struct SocketWatch
    {
        QSocketNotifier *read = nullptr;
        QSocketNotifier *write = nullptr;
    };

    static int onCurlSocket(CURL *easy, curl_socket_t socket, int what, void *self, void *);
    static int onCurlTimer(CURLM *multi, long timeoutMs, void *self);
    static size_t onCurlWrite(char *data, size_t size, size_t count, void *self);
    static size_t onCurlHeader(char *data, size_t size, size_t count, void *self);
    static int onCurlRequest(void *self, char *, char *, int, int);

    void start();
    void watchSocket(curl_socket_t socket, int what);
    QSocketNotifier *newNotifier(curl_socket_t socket, bool forRead);
    size_t readHeaderLine(const char *data, size_t length);
    size_t writeBody(const char *data, size_t length);
    bool flushToSink();
    int beforeRequest();
    void driveCurl(curl_socket_t socket, int events);
    bool shouldRetry(CURLcode code) const;
    QString followUnframedRedirect();
    int responseCode() const;
    void complete(FetchResult result);
    void failQueued(const QString &error);

    HttpTransfer *q;
    HeaderList m_headers;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    EasyHandle m_easy;
    QHash<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_curlTimer;
    QByteArray m_proxy;
    QIODevice *m_sink = nullptr;
    QByteArray m_toSink;
    ReplyHead m_head;
    QString m_refusal;
    // Where a redirect goes whose body nothing but the server's close would end.
    QByteArray m_unframedRedirect;
    qint64 m_received = 0;
    qint64 m_discarded = 0;
    // Bytes of the reply to the request now under way, header included.
    qint64 m_replyBytes = 0;
    int m_attempt = 0;
    // Redirects of this fetch that libcurl did not follow itself.
    int m_redirects = 0;
    // Counts fetches so that a failure queued for an earlier one is dropped.
    quint64 m_fetchId = 0;
    bool m_running = false;
    bool m_pendingFailure = false;
    bool m_writeFailed = false;
    bool m_reachedHttps = false;
    // Last, so that it goes first: closing the cached connections calls back
    // into watchSocket() and onCurlTimer(), whose members must still be alive
    // then, and the easy handle must outlive the multi handle it was part of.
    MultiHandle m_multi;
};

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this))
{
}

HttpTransfer::~HttpTransfer() = default;

void HttpTransfer::setProxy(const QString &host, quint16 port)
{
    d->setProxy(host, port);
}

void HttpTransfer::setStallLimit(std::chrono::milliseconds limit)
{
    d->setStallLimit(limit);
}

void HttpTransfer::setCertificateAuthorities(const QString &pemFile)
{
    d->setCertificateAuthorities(pemFile);
}

void HttpTransfer::fetch(const QByteArray &url, const QByteArray &referer, QIODevice *sink)
{
    d->fetch(url, referer, sink);
}

void HttpTransfer::abort()
{
    d->abort();
}

HttpTransfer::Private::Private(HttpTransfer *owner)
    : q(owner)
{
    initCurlOnce();
    m_headers.reset(curl_slist_append(nullptr, "Accept-Encoding: identity"));
    m_easy.reset(curl_easy_init());
    m_multi.reset(curl_multi_init());
    CURLM *multi = m_multi.get();
    CURL *easy = m_easy.get();

    curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &Private::onCurlSocket);
    curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &Private::onCurlTimer);
    curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);

    // What stays the same for every fetch is set once on the one easy handle.
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A stop must not wait for a name lookup that hangs.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Files come one at a time, so HTTP/2 would multiplex nothing; and the
    // framing checks and the retry below are made for HTTP/1.1's failures.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "Seqget/" SEQGET_FILE_VERSION);
    // The saved bytes and the length check must be the server's own.
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, m_headers.get());
    // An empty list overrides no_proxy from the environment, which could
    // otherwise send a loopback server around the proxy the user chose.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, receiveBufferSize);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Private::onCurlWrite);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Private::onCurlHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, &Private::onCurlRequest);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, this);
    setStallLimit(std::chrono::seconds(30));

    m_curlTimer.setSingleShot(true);
    m_curlTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_curlTimer, &QTimer::timeout, q,
                     [this] { driveCurl(CURL_SOCKET_TIMEOUT, 0); });
}

HttpTransfer::Private::~Private()
{
    // The easy handle leaves the multi handle before either goes.
    abort();
}

void HttpTransfer::Private::setProxy(const QString &host, quint16 port)
{
    if (host.isEmpty()) {
        m_proxy.clear();
        return;
    }
    // A host name has no colon, so one with colons is an IPv6 literal, which
    // needs brackets to tell its colons from the port's.
    const QString authority = host.contains(u':') ? u'[' + host + u']' : host;
    m_proxy = QStringLiteral("http://%1:%2").arg(authority).arg(port).toUtf8();
}

void HttpTransfer::Private::setCertificateAuthorities(const QString &pemFile)
{
    // libcurl keeps its own copy of every text option.
    curl_easy_setopt(m_easy.get(), CURLOPT_CAINFO, QFile::encodeName(pemFile).constData());
}

void HttpTransfer::Private::setStallLimit(std::chrono::milliseconds limit)
{
    // libcurl's low-speed check counts whole seconds and body bytes only, so
    // a head that is not complete one stall limit after the request went out
    // fails as well, however busily the server trickles header lines.
    const long seconds = std::max(1L, long(std::chrono::ceil<std::chrono::seconds>(limit).count()));
    curl_easy_setopt(m_easy.get(), CURLOPT_LOW_SPEED_TIME, seconds);
    curl_easy_setopt(m_easy.get(), CURLOPT_LOW_SPEED_LIMIT,
                     std::max(1L, minimumBytesPerLimit / seconds));
    curl_easy_setopt(m_easy.get(), CURLOPT_CONNECTTIMEOUT_MS, long(limit.count()));
}

void HttpTransfer::Private::fetch(const QByteArray &url, const QByteArray &referer, QIODevice *sink)
{
    abort();
    ++m_fetchId;
    if (url.isEmpty()) {
        // libcurl would guess a scheme for a URL without one; a series URL
        // must name http or https itself.
        failQueued(QStringLiteral("unsupported or malformed URL"));
        return;
    }
    m_sink = sink;
    m_received = 0;
    m_writeFailed = false;
    m_attempt = 0;
    m_redirects = 0;

    // libcurl keeps its own copies of the texts given to it.
    CURL *easy = m_easy.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, maxRedirects);
    // Many image servers refuse a request that names no page it came from.
    curl_easy_setopt(easy, CURLOPT_REFERER, referer.isEmpty() ? nullptr : referer.constData());
    // An empty proxy (never a null one) keeps http_proxy, https_proxy and
    // all_proxy from the environment out of a direct run.
    curl_easy_setopt(easy, CURLOPT_PROXY, m_proxy.constData());
    start();
}

void HttpTransfer::Private::start()
{
    ++m_attempt;
    m_errorBuffer[0] = '\0';
    m_discarded = 0;
    m_replyBytes = 0;
    m_head = {};
    m_refusal.clear();
    m_unframedRedirect.clear();
    m_reachedHttps = false;
    // A retry must not meet the connection that just died under it.
    curl_easy_setopt(m_easy.get(), CURLOPT_FRESH_CONNECT, long(m_attempt > 1));
    // Adding the handle only arms libcurl's timer; the transfer itself, and
    // any failure, happens from the event loop. (Driving it from here would
    // save that round, but a fast server's reply would then arrive inside
    // fetch(), and reporting it later costs more than the round.)
    if (const CURLMcode code = curl_multi_add_handle(m_multi.get(), m_easy.get());
        code != CURLM_OK) {
        failQueued(QString::fromUtf8(curl_multi_strerror(code)));
        return;
    }
    m_running = true;
}

void HttpTransfer::Private::failQueued(const QString &error)
{
    m_pendingFailure = true;
    const quint64 id = m_fetchId;
    QMetaObject::invokeMethod(
        q,
        [this, id, error] {
            if (!m_pendingFailure || id != m_fetchId)
                return;
            m_pendingFailure = false;
            FetchResult result;
            result.errorText = error;
            Q_EMIT q->finished(result);
        },
        Qt::QueuedConnection);
}

void HttpTransfer::Private::abort()
{
    m_pendingFailure = false;
    m_sink = nullptr;
    m_toSink.resize(0);
    if (m_running) {
        m_running = false;
        // An unfinished transfer's connection is closed, not kept.
        curl_multi_remove_handle(m_multi.get(), m_easy.get());
    }
}

int HttpTransfer::Private::onCurlSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    static_cast<Private *>(self)->watchSocket(socket, what);
    return 0;
}

int HttpTransfer::Private::onCurlTimer(CURLM *, long timeoutMs, void *self)
{
    // Only arms the timer: libcurl must not be called from its own callback.
    QTimer &timer = static_cast<Private *>(self)->m_curlTimer;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(qMin(timeoutMs, long(std::numeric_limits<int>::max()))));
    return 0;
}

size_t HttpTransfer::Private::onCurlWrite(char *data, size_t size, size_t count, void *self)
{
    return static_cast<Private *>(self)->writeBody(data, size * count);
}

size_t HttpTransfer::Private::onCurlHeader(char *data, size_t size, size_t count, void *self)
{
    return static_cast<Private *>(self)->readHeaderLine(data, size * count);
}

int HttpTransfer::Private::onCurlRequest(void *self, char *, char *, int, int)
{
    return static_cast<Private *>(self)->beforeRequest();
}

int HttpTransfer::Private::beforeRequest()
{
    // Called for every request of a redirect chain, with the URL it is for.
    // Once the chain has been on https, it never goes back to plain http.
    const char *url = nullptr;
    curl_easy_getinfo(m_easy.get(), CURLINFO_EFFECTIVE_URL, &url);
    const bool https = url && startsWithNoCase(url, qstrlen(url), "https:");
    if (m_reachedHttps && !https) {
        m_refusal = QStringLiteral("redirected from https to http");
        return CURL_PREREQFUNC_ABORT;
    }
    m_reachedHttps = m_reachedHttps || https;
    m_replyBytes = 0;
    return CURL_PREREQFUNC_OK;
}

void HttpTransfer::Private::watchSocket(curl_socket_t socket, int what)
{
    // The notifiers of a socket number stay, disabled, when libcurl lets go
    // of it: the connection kept alive for the next file comes back with the
    // same number, as may a new socket after the old one was closed, and a
    // notifier watches a number, not a connection.
    SocketWatch &watch = m_sockets[socket];
    const bool read = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool write = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    if (read && !watch.read)
        watch.read = newNotifier(socket, true);
    if (write && !watch.write)
        watch.write = newNotifier(socket, false);
    if (watch.read && watch.read->isEnabled() != read)
        watch.read->setEnabled(read);
    if (watch.write && watch.write->isEnabled() != write)
        watch.write->setEnabled(write);
}

QSocketNotifier *HttpTransfer::Private::newNotifier(curl_socket_t socket, bool forRead)
{
    auto *notifier = new QSocketNotifier(
        qintptr(socket), forRead ? QSocketNotifier::Read : QSocketNotifier::Write, q);
    const int events = forRead ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
    QObject::connect(notifier, &QSocketNotifier::activated, q,
                     [this, socket, events] { driveCurl(socket, events); });
    return notifier;
}

size_t HttpTransfer::Private::readHeaderLine(const char *data, size_t length)
{
    m_replyBytes += qint64(length);
    // libcurl hands over one whole line at a time: a status line opens each
    // reply of a chain (and each interim 1xx), an empty line ends its head.
    if (startsWithNoCase(data, length, "HTTP/")) {
        m_head = {};
        const char *space = static_cast<const char *>(memchr(data, ' ', length));
        if (space && data + length - space >= 4)
            m_head.status = QByteArray(space + 1, 3).toInt();
    } else if (startsWithNoCase(data, length, "content-length:")) {
        // Two lengths that disagree leave the body's end unknown: a short
        // body could pass for a whole one. So does one too large for 64
        // bits, which libcurl would read as no length at all.
        const QByteArray value(data + 15, qsizetype(length) - 15);
        for (const QByteArray &part : value.split(',')) {
            const QByteArray number = part.trimmed();
            bool fits = false;
            number.toLongLong(&fits);
            m_head.unreadableLength = m_head.unreadableLength || !fits || !isDigits(number);
            if (!m_head.contentLength.isEmpty() && number != m_head.contentLength)
                m_head.conflictingLengths = true;
            m_head.contentLength = number;
        }
    } else if (startsWithNoCase(data, length, "transfer-encoding:")) {
        m_head.chunked
            = QByteArray(data + 18, qsizetype(length) - 18).toLower().contains("chunked");
    } else if (startsWithNoCase(data, length, "location:")) {
        m_head.redirect = m_head.status >= 300 && m_head.status <= 399;
        m_head.location = QByteArray(data + 9, qsizetype(length) - 9).trimmed();
    } else if (length > 0 && length <= 2 && (data[0] == '\r' || data[0] == '\n')) {
        if (m_head.conflictingLengths) {
            m_refusal = QStringLiteral("conflicting Content-Length headers");
            return 0;
        }
        if (m_head.unreadableLength) {
            m_refusal = QStringLiteral("Content-Length is no 64-bit length");
            return 0;
        }
        // An error reply that ends only when the server closes would hold
        // the connection, and the run, for as long as the server likes; a
        // redirect of that kind is followed from here, since its body is
        // never read anyway.
        if (!isWholeBody(m_head.status) && !m_head.bodyIsFramed()) {
            if (m_head.redirect)
                m_unframedRedirect = m_head.location;
            return 0;
        }
    }
    return length;
}

size_t HttpTransfer::Private::writeBody(const char *data, size_t length)
{
    m_replyBytes += qint64(length);
    // Redirects are followed inside libcurl and never reach here, so this is
    // the final reply. An error page goes nowhere, and is read to its end only
    // so that the connection stays usable.
    if (!isWholeBody(m_head.status)) {
        m_discarded += qint64(length);
        return m_discarded > maxDiscardedBody ? 0 : length;
    }
    if (!m_sink) {
        m_received += qint64(length);
        return length;
    }
    m_toSink.append(data, qsizetype(length));
    return m_toSink.size() < sinkWriteSize || flushToSink() ? length : 0;
}

bool HttpTransfer::Private::flushToSink()
{
    if (m_toSink.isEmpty())
        return true;
    const bool written = m_sink && m_sink->write(m_toSink) == m_toSink.size();
    if (written)
        m_received += m_toSink.size();
    // Keeps the allocation for the next piece.
    m_toSink.resize(0);
    m_writeFailed = m_writeFailed || !written;
    return written;
}

int HttpTransfer::Private::responseCode() const
{
    long code = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_RESPONSE_CODE, &code);
    return int(code);
}

bool HttpTransfer::Private::shouldRetry(CURLcode code) const
{
    const bool connectionDied
        = code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING;
    return connectionDied && m_replyBytes == 0 && m_attempt < maxAttempts;
}

// Takes the redirect that the header callback stopped at, as libcurl would
// have: the Location read against the address that answered with it, within
// the same redirect count, and never from https down to http. The handle is
// out of the multi handle here. Returns why it cannot be followed, if so.
QString HttpTransfer::Private::followUnframedRedirect()
{
    long followed = 0;
    curl_easy_getinfo(m_easy.get(), CURLINFO_REDIRECT_COUNT, &followed);
    m_redirects += int(followed) + 1;
    if (m_redirects > maxRedirects)
        return QStringLiteral("too many redirects");
    const char *from = nullptr;
    curl_easy_getinfo(m_easy.get(), CURLINFO_EFFECTIVE_URL, &from);
    const UrlHandle url(curl_url());
    char *text = nullptr;
    const bool resolved = url && from
        && curl_url_set(url.get(), CURLUPART_URL, from, 0) == CURLUE_OK
        && curl_url_set(url.get(), CURLUPART_URL, m_unframedRedirect.constData(),
                        CURLU_URLENCODE | CURLU_ALLOW_SPACE)
            == CURLUE_OK
        && curl_url_get(url.get(), CURLUPART_URL, &text, 0) == CURLUE_OK;
    const CurlText target(text);
    if (!resolved)
        return QStringLiteral("unreadable redirect");
    if (startsWithNoCase(from, qstrlen(from), "https:")
        && !startsWithNoCase(target.get(), qstrlen(target.get()), "https:"))
        return QStringLiteral("redirected from https to http");
    curl_easy_setopt(m_easy.get(), CURLOPT_URL, target.get());
    curl_easy_setopt(m_easy.get(), CURLOPT_MAXREDIRS, maxRedirects - m_redirects);
    m_attempt = 0;
    start();
    return {};
}

void HttpTransfer::Private::driveCurl(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi.get(), socket, events, &running);

    bool done = false;
    CURLcode code = CURLE_OK;
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy.get() && m_running) {
            done = true;
            code = message->data.result;
        }
    }
    if (!done)
        return;

    if (shouldRetry(code) || !m_unframedRedirect.isEmpty()) {
        curl_multi_remove_handle(m_multi.get(), m_easy.get());
        m_running = false;
        QString refusal;
        if (m_unframedRedirect.isEmpty())
            // libcurl retries such a request itself, but counts the retries
            // over the handle's whole life, so a long series runs out of them.
            start();
        else
            refusal = followUnframedRedirect();
        if (refusal.isEmpty())
            return;
        FetchResult result;
        result.httpStatus = responseCode();
        result.errorText = refusal;
        complete(result);
        return;
    }

    FetchResult result;
    result.httpStatus = responseCode();
    if (m_writeFailed)
        result.errorText = QStringLiteral("cannot write the body");
    else if (!m_refusal.isEmpty())
        result.errorText = m_refusal;
    else if (result.httpStatus != 0 && !isWholeBody(result.httpStatus))
        result.errorText = QStringLiteral("HTTP status %1").arg(result.httpStatus);
    else if (code != CURLE_OK)
        // A body cut short of its Content-Length or its chunked framing ends
        // here as CURLE_PARTIAL_FILE or CURLE_RECV_ERROR, a stalled one as
        // CURLE_OPERATION_TIMEDOUT.
        result.errorText = QString::fromUtf8(m_errorBuffer[0] != '\0' ? m_errorBuffer
                                                                      : curl_easy_strerror(code));
    else
        result.ok = true;
    complete(result);
}

void HttpTransfer::Private::complete(FetchResult result)
{
    if (!flushToSink() && result.ok) {
        result.ok = false;
        result.errorText = QStringLiteral("cannot write the body");
    }
    result.bytes = m_received;
    if (m_running) {
        m_running = false;
        // A finished transfer leaves its connection in the cache for the next.
        curl_multi_remove_handle(m_multi.get(), m_easy.get());
    }
    m_sink = nullptr;
    // Last: a listener may start the next fetch from inside this signal.
    Q_EMIT q->finished(result);
}
