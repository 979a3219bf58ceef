#include "core/HttpTransfer.h"

#include "core/Version.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
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
// A transfer that moves less than this over a whole stall limit (with the
// usual 30 s, 10 bytes a second) counts as stalled: a server that trickles a
// header line or a byte now and then must not hold a run for ever.
constexpr qint64 minimumBytesPerLimit = 300;
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

// An address as the request line carries it: read tolerantly, as a browser
// would, so that a blank, a "%" or a control character in a folder name goes
// out escaped rather than raw. Empty when it is no http or https URL.
QByteArray requestForm(const QString &text, QUrl::FormattingOptions options = QUrl::None)
{
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url.adjusted(options).toEncoded();
}

bool startsWithNoCase(const char *data, size_t length, const char *prefix)
{
    const size_t n = qstrlen(prefix);
    return length >= n && qstrnicmp(data, prefix, n) == 0;
}

// A file name that reads the same in a URL as it is typed: nothing to escape,
// and no "." or ".." that a server would take as a step between folders.
bool isPlainName(QStringView name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
            || (u >= u'0' && u <= u'9') || u == u'-' || u == u'.' || u == u'_' || u == u'~';
        if (!plain)
            return false;
    }
    return true;
}

// The request forms of a series' addresses. Every file of a series shares
// the folder up to its last "/", so that part is parsed once and a plain file
// name is appended as it stands; anything else takes the full parse.
class AddressCache
{
public:
    QByteArray url(const QString &text)
    {
        const qsizetype slash = text.lastIndexOf(u'/');
        const QStringView name = QStringView(text).mid(slash + 1);
        if (slash <= 0 || !isPlainName(name))
            return requestForm(text);
        const QStringView folder = QStringView(text).left(slash + 1);
        if (folder != m_folderText) {
            m_folderText = folder.toString();
            // A "%" could pair with the name's first digits into an escape,
            // and a query or a fragment would take the name in.
            m_folder = folder.contains(u'%') ? QByteArray() : requestForm(m_folderText);
            if (m_folder.contains('?') || m_folder.contains('#'))
                m_folder.clear();
        }
        return m_folder.isEmpty() ? requestForm(text) : m_folder + name.toLatin1();
    }

    // Without user info and fragment: credentials in a Referer would travel
    // to every host of a redirect chain.
    QByteArray referer(const QString &text)
    {
        if (text != m_refererText) {
            m_refererText = text;
            m_referer = requestForm(text, QUrl::RemoveUserInfo | QUrl::RemoveFragment);
        }
        return m_referer;
    }

private:
    QString m_folderText;
    QByteArray m_folder;
    QString m_refererText;
    QByteArray m_referer;
};

// What one header block of a reply says about its status and its framing.
struct ReplyHead
{
    int status = 0;
    bool chunked = false;
    bool redirect = false;
    QByteArray contentLength;
    bool conflictingLengths = false;

    bool hasLength() const { return chunked || !contentLength.isEmpty(); }
    // Whether the body of a reply that failed can still be read to its end.
    bool bodyIsFramed() const
    {
        return hasLength() || status < 200 || status == 204 || status == 304 || redirect;
    }
};

} // namespace

class HttpTransfer::Private
{
public:
    explicit Private(HttpTransfer *owner);
    ~Private();

    void fetch(const QString &url, const QString &referer, QIODevice *sink);
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
    void noteReceived(size_t length);
    size_t readHeaderLine(const char *data, size_t length);
    size_t writeBody(const char *data, size_t length);
    bool flushToSink();
    int beforeRequest();
    void driveCurl(curl_socket_t socket, int events);
    bool shouldRetry(CURLcode code) const;
    void onStallCheck();
    int responseCode() const;
    void complete(FetchResult result);
    void failQueued(const QString &error);

    HttpTransfer *q;
    CURLM *m_multi = nullptr;
    CURL *m_easy = nullptr;
    curl_slist *m_headers = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    QHash<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_curlTimer;
    // Runs while fetches follow each other, rather than being set up anew
    // for every file; it stops itself once nothing is fetched.
    QTimer m_stallTimer;
    std::chrono::milliseconds m_stallLimit { 30000 };
    // The stall check: when the current window began, and what it has seen.
    QElapsedTimer m_windowStart;
    qint64 m_windowBytes = 0;
    QByteArray m_proxy;
    AddressCache m_addresses;
    QIODevice *m_sink = nullptr;
    QByteArray m_toSink;
    ReplyHead m_head;
    QString m_refusal;
    qint64 m_received = 0;
    qint64 m_discarded = 0;
    // Bytes of the reply to the request now under way, header included.
    qint64 m_replyBytes = 0;
    int m_attempt = 0;
    // Counts fetches so that a failure queued for an earlier one is dropped.
    quint64 m_fetchId = 0;
    bool m_running = false;
    bool m_pendingFailure = false;
    bool m_writeFailed = false;
    bool m_reachedHttps = false;
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

void HttpTransfer::fetch(const QString &url, const QString &referer, QIODevice *sink)
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
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    m_headers = curl_slist_append(nullptr, "Accept-Encoding: identity");

    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &Private::onCurlSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &Private::onCurlTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);

    // What stays the same for every fetch is set once on the one easy handle.
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    // A stop must not wait for a name lookup that hangs.
    curl_easy_setopt(m_easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, maxRedirects);
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, "Seqget/" SEQGET_FILE_VERSION);
    // The saved bytes and the length check must be the server's own.
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    // An empty list overrides no_proxy from the environment, which could
    // otherwise send a loopback server around the proxy the user chose.
    curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, receiveBufferSize);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Private::onCurlWrite);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Private::onCurlHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_PREREQFUNCTION, &Private::onCurlRequest);
    curl_easy_setopt(m_easy, CURLOPT_PREREQDATA, this);

    m_curlTimer.setSingleShot(true);
    m_curlTimer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_curlTimer, &QTimer::timeout, q,
                     [this] { driveCurl(CURL_SOCKET_TIMEOUT, 0); });
    m_stallTimer.setSingleShot(true);
    QObject::connect(&m_stallTimer, &QTimer::timeout, q, [this] { onStallCheck(); });
}

HttpTransfer::Private::~Private()
{
    abort();
    // Closing the cached connections calls back into watchSocket(), so the
    // members it touches must still be alive here.
    curl_multi_cleanup(m_multi);
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
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
    curl_easy_setopt(m_easy, CURLOPT_CAINFO, QFile::encodeName(pemFile).constData());
}

void HttpTransfer::Private::setStallLimit(std::chrono::milliseconds limit)
{
    m_stallLimit = limit;
    if (m_stallTimer.isActive())
        m_stallTimer.start(m_stallLimit);
}

void HttpTransfer::Private::fetch(const QString &url, const QString &referer, QIODevice *sink)
{
    abort();
    ++m_fetchId;
    // libcurl keeps its own copies of the texts given to it.
    const QByteArray target = m_addresses.url(url);
    if (target.isEmpty()) {
        // libcurl would guess a scheme for a URL without one; a series URL
        // must name http or https itself.
        failQueued(QStringLiteral("unsupported or malformed URL"));
        return;
    }
    // Many image servers refuse a request that names no page it came from.
    const QByteArray from = m_addresses.referer(referer);
    m_sink = sink;
    m_received = 0;
    m_writeFailed = false;
    m_attempt = 0;

    curl_easy_setopt(m_easy, CURLOPT_URL, target.constData());
    curl_easy_setopt(m_easy, CURLOPT_REFERER, from.isEmpty() ? nullptr : from.constData());
    // An empty proxy (never a null one) keeps http_proxy, https_proxy and
    // all_proxy from the environment out of a direct run.
    curl_easy_setopt(m_easy, CURLOPT_PROXY, m_proxy.constData());
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_stallLimit.count()));

    m_windowStart.start();
    m_windowBytes = 0;
    if (!m_stallTimer.isActive())
        m_stallTimer.start(m_stallLimit);
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
    m_reachedHttps = false;
    // A retry must not meet the connection that just died under it.
    curl_easy_setopt(m_easy, CURLOPT_FRESH_CONNECT, long(m_attempt > 1));
    // Adding the handle only arms libcurl's timer; the transfer itself, and
    // any failure, happens from the event loop. (Driving it from here would
    // save that round, but a fast server's reply would then arrive inside
    // fetch(), and reporting it later costs more than the round.)
    if (const CURLMcode code = curl_multi_add_handle(m_multi, m_easy); code != CURLM_OK) {
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
        curl_multi_remove_handle(m_multi, m_easy);
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
    curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &url);
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

void HttpTransfer::Private::noteReceived(size_t length)
{
    m_replyBytes += qint64(length);
    m_windowBytes += qint64(length);
    // A new window begins once this one has seen enough to count as moving.
    if (m_windowBytes >= minimumBytesPerLimit) {
        m_windowStart.restart();
        m_windowBytes = 0;
    }
}

size_t HttpTransfer::Private::readHeaderLine(const char *data, size_t length)
{
    noteReceived(length);
    // libcurl hands over one whole line at a time: a status line opens each
    // reply of a chain (and each interim 1xx), an empty line ends its head.
    if (startsWithNoCase(data, length, "HTTP/")) {
        m_head = {};
        const char *space = static_cast<const char *>(memchr(data, ' ', length));
        if (space && data + length - space >= 4)
            m_head.status = QByteArray(space + 1, 3).toInt();
    } else if (startsWithNoCase(data, length, "content-length:")) {
        // Two lengths that disagree leave the body's end unknown: a short
        // body could pass for a whole one.
        const QByteArray value(data + 15, qsizetype(length) - 15);
        for (const QByteArray &part : value.split(',')) {
            const QByteArray number = part.trimmed();
            if (!m_head.contentLength.isEmpty() && number != m_head.contentLength)
                m_head.conflictingLengths = true;
            m_head.contentLength = number;
        }
    } else if (startsWithNoCase(data, length, "transfer-encoding:")) {
        m_head.chunked
            = QByteArray(data + 18, qsizetype(length) - 18).toLower().contains("chunked");
    } else if (startsWithNoCase(data, length, "location:")) {
        m_head.redirect = m_head.status >= 300 && m_head.status <= 399;
    } else if (length > 0 && length <= 2 && (data[0] == '\r' || data[0] == '\n')) {
        if (m_head.conflictingLengths) {
            m_refusal = QStringLiteral("conflicting Content-Length headers");
            return 0;
        }
        // An error reply that ends only when the server closes would hold
        // the connection, and the run, for as long as the server likes.
        if (!isWholeBody(m_head.status) && !m_head.bodyIsFramed())
            return 0;
    }
    return length;
}

size_t HttpTransfer::Private::writeBody(const char *data, size_t length)
{
    noteReceived(length);
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
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &code);
    return int(code);
}

bool HttpTransfer::Private::shouldRetry(CURLcode code) const
{
    const bool connectionDied
        = code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING;
    return connectionDied && m_replyBytes == 0 && m_attempt < maxAttempts;
}

void HttpTransfer::Private::driveCurl(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);

    bool done = false;
    CURLcode code = CURLE_OK;
    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy && m_running) {
            done = true;
            code = message->data.result;
        }
    }
    if (!done)
        return;

    if (shouldRetry(code)) {
        // libcurl retries such a request itself, but counts the retries over
        // the handle's whole life, so a long series runs out of them.
        curl_multi_remove_handle(m_multi, m_easy);
        m_running = false;
        start();
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
        // here as CURLE_PARTIAL_FILE or CURLE_RECV_ERROR.
        result.errorText = QString::fromUtf8(m_errorBuffer[0] != '\0' ? m_errorBuffer
                                                                      : curl_easy_strerror(code));
    else
        result.ok = true;
    complete(result);
}

void HttpTransfer::Private::onStallCheck()
{
    if (!m_running)
        return;
    const qint64 elapsed = m_windowStart.elapsed();
    if (elapsed < m_stallLimit.count()) {
        m_stallTimer.start(int(m_stallLimit.count() - elapsed));
        return;
    }
    FetchResult result;
    result.httpStatus = responseCode();
    result.errorText = QStringLiteral("less than %1 bytes in %2 ms")
                           .arg(minimumBytesPerLimit)
                           .arg(m_stallLimit.count());
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
        curl_multi_remove_handle(m_multi, m_easy);
    }
    m_sink = nullptr;
    // Last: a listener may start the next fetch from inside this signal.
    Q_EMIT q->finished(result);
}
