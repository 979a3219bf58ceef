#include "transfer/HttpTransfer.h"

#include "Version.h"
#include "transfer/ReplyRules.h"

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
// libcurl hands the body over 16 KiB at a time; it goes to the sink in
// pieces of this size instead, a few system calls per megabyte.
constexpr qsizetype sinkWriteSize = 512 * 1024;
// A body that moves less than this over a whole stall limit (with the usual
// 30 s, 10 bytes a second) counts as stalled: a server that trickles a byte
// now and then must not hold a run for ever.
constexpr long minimumBytesPerLimit = 300;

void initCurlOnce()
{
    // Not thread-safe in older libcurl, and needed once per process only.
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(init);
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

} // namespace

class HttpTransfer::Private
{
public:
    Private(HttpTransfer *owner, const TransferOptions &options);
    ~Private();

    void fetch(const QByteArray &url, const QByteArray &referer, QIODevice *sink);
    void abort();
    void setProxy(const QString &host, quint16 port);

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
    size_t writeBody(const char *data, size_t length);
    bool flushToSink();
    void driveCurl(curl_socket_t socket, int events);
    QString followRedirect();
    void finish(CURLcode code);
    void complete(FetchResult result);
    void failQueued(const QString &error);

    HttpTransfer *q;
    ReplyRules m_rules;
    HeaderList m_headers;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    EasyHandle m_easy;
    QHash<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_curlTimer;
    QByteArray m_proxy;
    QIODevice *m_sink = nullptr;
    QByteArray m_toSink;
    qint64 m_received = 0;
    // Counts fetches so that a failure queued for an earlier one is dropped.
    quint64 m_fetchId = 0;
    bool m_running = false;
    bool m_pendingFailure = false;
    bool m_writeFailed = false;
    // The rules asked for the redirect to be followed from here.
    bool m_follow = false;
    // Last, so that it goes first: closing the cached connections calls back
    // into watchSocket() and onCurlTimer(), whose members must still be alive
    // then, and the easy handle must outlive the multi handle it was part of.
    MultiHandle m_multi;
};

HttpTransfer::HttpTransfer(const TransferOptions &options, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(this, options))
{
}

HttpTransfer::~HttpTransfer() = default;

void HttpTransfer::setProxy(const QString &host, quint16 port)
{
    d->setProxy(host, port);
}

void HttpTransfer::fetch(const QByteArray &url, const QByteArray &referer, QIODevice *sink)
{
    d->fetch(url, referer, sink);
}

void HttpTransfer::abort()
{
    d->abort();
}

HttpTransfer::Private::Private(HttpTransfer *owner, const TransferOptions &options)
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
    // reply rules and the retry are made for HTTP/1.1's framing and failures.
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    // libcurl follows the redirects whose body it can read to the end; the
    // rules count them and hold the chain to https.
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
    // libcurl's low-speed check counts whole seconds and body bytes only, so
    // a head that is not complete one stall limit after the request went out
    // fails as well, however busily the server trickles header lines.
    const long seconds = std::max(
        1L, long(std::chrono::ceil<std::chrono::seconds>(options.stallLimit).count()));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, seconds);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, std::max(1L, minimumBytesPerLimit / seconds));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(options.stallLimit.count()));
    // Where the servers that publish revoked certificates cannot be reached
    // (company networks), Windows' own TLS would fail every https file;
    // browsers let such a check pass, and so does this. Only Windows' TLS
    // checks revocation at all, and only it knows the option.
    curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, long(CURLSSLOPT_REVOKE_BEST_EFFORT));
    if (!options.certificateAuthorities.isEmpty())
        curl_easy_setopt(easy, CURLOPT_CAINFO,
                         QFile::encodeName(options.certificateAuthorities).constData());

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
    m_rules.reset();

    // libcurl keeps its own copies of the texts given to it.
    CURL *easy = m_easy.get();
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    // Many image servers refuse a request that names no page it came from.
    curl_easy_setopt(easy, CURLOPT_REFERER, referer.isEmpty() ? nullptr : referer.constData());
    // An empty proxy (never a null one) keeps http_proxy, https_proxy and
    // all_proxy from the environment out of a direct run.
    curl_easy_setopt(easy, CURLOPT_PROXY, m_proxy.constData());
    curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 0L);
    start();
}

void HttpTransfer::Private::start()
{
    m_errorBuffer[0] = '\0';
    m_follow = false;
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
    // libcurl hands over one whole line at a time.
    auto *d = static_cast<Private *>(self);
    const size_t length = size * count;
    switch (d->m_rules.headLine(QByteArrayView(data, qsizetype(length)))) {
    case ReplyRules::Step::Go:
        return length;
    case ReplyRules::Step::Follow:
        d->m_follow = true;
        return 0;
    case ReplyRules::Step::Stop:
        return 0;
    }
    return 0;
}

int HttpTransfer::Private::onCurlRequest(void *self, char *, char *, int, int)
{
    // Called for every request of a redirect chain, with the URL it is for.
    auto *d = static_cast<Private *>(self);
    const char *url = nullptr;
    curl_easy_getinfo(d->m_easy.get(), CURLINFO_EFFECTIVE_URL, &url);
    return d->m_rules.request(url ? url : "") == ReplyRules::Step::Go ? CURL_PREREQFUNC_OK
                                                                     : CURL_PREREQFUNC_ABORT;
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

size_t HttpTransfer::Private::writeBody(const char *data, size_t length)
{
    // Redirects that libcurl follows never reach here, so this is the final
    // reply; one that is not the file is read to its end only so that the
    // connection stays usable.
    if (m_rules.body(qsizetype(length)) == ReplyRules::Step::Stop)
        return 0;
    if (!m_rules.bodyIsFile())
        return length;
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

// Takes the redirect the rules stopped at, as libcurl would have: the
// Location read against the address that answered with it. The handle is
// out of the multi handle here. Returns why it cannot be followed, if so.
QString HttpTransfer::Private::followRedirect()
{
    const char *from = nullptr;
    curl_easy_getinfo(m_easy.get(), CURLINFO_EFFECTIVE_URL, &from);
    const UrlHandle url(curl_url());
    char *text = nullptr;
    const bool resolved = url && from
        && curl_url_set(url.get(), CURLUPART_URL, from, 0) == CURLUE_OK
        && curl_url_set(url.get(), CURLUPART_URL, m_rules.followTarget().constData(),
                        CURLU_URLENCODE | CURLU_ALLOW_SPACE)
            == CURLUE_OK
        && curl_url_get(url.get(), CURLUPART_URL, &text, 0) == CURLUE_OK;
    const CurlText target(text);
    if (!resolved)
        return QStringLiteral("unreadable redirect");
    // Asked before anything is sent, so that not even a connection is made
    // where the chain must not go.
    if (m_rules.request(target.get()) != ReplyRules::Step::Go)
        return ReplyRules::describe(m_rules.refusal(), m_rules.status());
    curl_easy_setopt(m_easy.get(), CURLOPT_URL, target.get());
    curl_easy_setopt(m_easy.get(), CURLOPT_FRESH_CONNECT, 0L);
    start();
    return {};
}

void HttpTransfer::Private::driveCurl(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi.get(), socket, events, &running);

    int queued = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi.get(), &queued)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy.get() && m_running) {
            finish(message->data.result);
            return;
        }
    }
}

void HttpTransfer::Private::finish(CURLcode code)
{
    const bool connectionDied
        = code == CURLE_SEND_ERROR || code == CURLE_RECV_ERROR || code == CURLE_GOT_NOTHING;
    // libcurl asks again after a drop itself, but counts that over the
    // handle's whole life, so a long series runs out of it.
    const bool retry = !m_follow && connectionDied && m_rules.retryAfterDrop();
    QString unfollowed;
    if (m_follow || retry) {
        curl_multi_remove_handle(m_multi.get(), m_easy.get());
        m_running = false;
        if (retry) {
            // The new attempt must not meet the connection that just died.
            curl_easy_setopt(m_easy.get(), CURLOPT_FRESH_CONNECT, 1L);
            start();
            return;
        }
        unfollowed = followRedirect();
        if (unfollowed.isEmpty())
            return;
    }

    FetchResult result;
    result.httpStatus = m_rules.status();
    if (m_writeFailed)
        result.errorText = QStringLiteral("cannot write the body");
    else if (!unfollowed.isEmpty())
        result.errorText = unfollowed;
    else if (const ReplyRules::Refusal refusal = m_rules.refusal();
             refusal != ReplyRules::Refusal::None)
        result.errorText = ReplyRules::describe(refusal, m_rules.status());
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
