#include "HttpTransfer.h"

#include "NumberParse.h"

#include <QIODevice>
#include <QSocketNotifier>
#include <QUrl>
#include <limits>

namespace {

// Large enough that a fast local server is not throttled by the callbacks,
// small enough that a gigabyte body never sits in memory.
constexpr long receiveBufferSize = 512 * 1024;
constexpr long maxRedirects = 10;
// An error page is read to its end so that the connection can serve the next
// file; one larger than this costs less to drop with its connection.
constexpr qint64 maxDiscardedBody = 1024 * 1024;

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

void initCurlOnce()
{
    // Not thread-safe in older libcurl, and needed once per process only.
    static const CURLcode init = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(init);
}

} // namespace

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent)
{
    initCurlOnce();
    m_multi = curl_multi_init();
    m_easy = curl_easy_init();
    m_headers = curl_slist_append(nullptr, "Accept-Encoding: identity");

    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &HttpTransfer::onCurlSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &HttpTransfer::onCurlTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);

    // What stays the same for every fetch is set once on the one easy handle.
    curl_easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    // A stop must not wait for a name lookup that hangs.
    curl_easy_setopt(m_easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(m_easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(m_easy, CURLOPT_MAXREDIRS, maxRedirects);
    curl_easy_setopt(m_easy, CURLOPT_USERAGENT, "Seqget/0.5.0");
    // The saved bytes and the length check must be the server's own.
    curl_easy_setopt(m_easy, CURLOPT_HTTPHEADER, m_headers);
    // An empty list overrides no_proxy from the environment, which could
    // otherwise send a loopback server around the proxy the user chose.
    curl_easy_setopt(m_easy, CURLOPT_NOPROXY, "");
    curl_easy_setopt(m_easy, CURLOPT_BUFFERSIZE, receiveBufferSize);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &HttpTransfer::onCurlWrite);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &HttpTransfer::onCurlHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);

    m_curlTimer.setSingleShot(true);
    m_curlTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_curlTimer, &QTimer::timeout, this, [this] { driveCurl(CURL_SOCKET_TIMEOUT, 0); });
    m_idleTimer.setSingleShot(true);
    connect(&m_idleTimer, &QTimer::timeout, this, &HttpTransfer::onIdleTimeout);
}

HttpTransfer::~HttpTransfer()
{
    abort();
    // Closing the cached connections calls back into watchSocket(), so the
    // members it touches must still be alive here.
    curl_multi_cleanup(m_multi);
    curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_headers);
}

void HttpTransfer::setProxyHost(const QString &host)
{
    m_proxyHost = host;
}

bool HttpTransfer::setPort(const QString &text)
{
    // A text that holds no number at all reads as 0, which is no port either.
    const auto value = roundedNumber(text, 1, 65535);
    if (!value)
        return false;
    m_port = quint16(*value);
    return true;
}

void HttpTransfer::setTransferTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

bool HttpTransfer::isBusy() const
{
    return m_running || m_pendingFailure;
}

void HttpTransfer::fetch(const QString &url, const QString &referer, QIODevice *sink)
{
    abort();
    ++m_fetchId;
    m_sink = sink;
    m_received = 0;
    m_discarded = 0;
    m_writeFailed = false;
    m_errorBuffer[0] = '\0';

    // libcurl would guess a scheme for a URL without one; a series URL must
    // name http or https itself. Read tolerantly, as a browser would: a blank
    // or a "%" in a folder name is sent escaped rather than refused.
    const QUrl target(url, QUrl::TolerantMode);
    const QString scheme = target.scheme();
    const bool https = scheme == QLatin1String("https");
    if (!target.isValid() || target.host().isEmpty()
        || (!https && scheme != QLatin1String("http"))) {
        failQueued(QStringLiteral("unsupported or malformed URL"));
        return;
    }

    curl_easy_setopt(m_easy, CURLOPT_URL, target.toEncoded().constData());
    // Many image servers refuse a request that names no page it came from.
    const QByteArray from = referer.toUtf8();
    curl_easy_setopt(m_easy, CURLOPT_REFERER, from.isEmpty() ? nullptr : from.constData());
    // Never from https down to http.
    curl_easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, https ? "https" : "http,https");

    // An empty proxy keeps http_proxy, https_proxy and all_proxy from the
    // environment out of a direct run. A proxy that is set is used as given,
    // also for loopback hosts.
    QByteArray proxy;
    if (!m_proxyHost.isEmpty()) {
        const bool ipv6
            = m_proxyHost.contains(QLatin1Char(':')) && !m_proxyHost.startsWith(QLatin1Char('['));
        const QString host = ipv6 ? QLatin1Char('[') + m_proxyHost + QLatin1Char(']') : m_proxyHost;
        proxy = QStringLiteral("http://%1:%2").arg(host).arg(m_port).toUtf8();
    }
    curl_easy_setopt(m_easy, CURLOPT_PROXY, proxy.constData());
    curl_easy_setopt(m_easy, CURLOPT_CONNECTTIMEOUT_MS, long(m_timeout.count()));

    // The inactivity limit is kept here rather than by libcurl's low-speed
    // check, which averages over seconds and only knows whole seconds.
    m_sinceLastByte.start();
    m_idleTimer.start(m_timeout);
    // Adding the handle only arms libcurl's timer; the transfer itself, and
    // any failure, happens from the event loop.
    if (const CURLMcode code = curl_multi_add_handle(m_multi, m_easy); code != CURLM_OK) {
        m_idleTimer.stop();
        failQueued(QString::fromUtf8(curl_multi_strerror(code)));
        return;
    }
    m_running = true;
}

void HttpTransfer::failQueued(const QString &error)
{
    m_pendingFailure = true;
    const quint64 id = m_fetchId;
    QMetaObject::invokeMethod(
        this,
        [this, id, error] {
            if (!m_pendingFailure || id != m_fetchId)
                return;
            m_pendingFailure = false;
            FetchResult result;
            result.errorText = error;
            Q_EMIT finished(result);
        },
        Qt::QueuedConnection);
}

void HttpTransfer::abort()
{
    m_pendingFailure = false;
    m_sink = nullptr;
    m_idleTimer.stop();
    if (m_running) {
        m_running = false;
        // An unfinished transfer's connection is closed, not kept.
        curl_multi_remove_handle(m_multi, m_easy);
    }
}

int HttpTransfer::onCurlSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    static_cast<HttpTransfer *>(self)->watchSocket(socket, what);
    return 0;
}

int HttpTransfer::onCurlTimer(CURLM *, long timeoutMs, void *self)
{
    // Only arms the timer: libcurl must not be called from its own callback.
    QTimer &timer = static_cast<HttpTransfer *>(self)->m_curlTimer;
    if (timeoutMs < 0)
        timer.stop();
    else
        timer.start(int(qMin(timeoutMs, long(std::numeric_limits<int>::max()))));
    return 0;
}

size_t HttpTransfer::onCurlWrite(char *data, size_t size, size_t count, void *self)
{
    return static_cast<HttpTransfer *>(self)->writeBody(data, size * count);
}

size_t HttpTransfer::onCurlHeader(char *, size_t size, size_t count, void *self)
{
    static_cast<HttpTransfer *>(self)->m_sinceLastByte.restart();
    return size * count;
}

void HttpTransfer::watchSocket(curl_socket_t socket, int what)
{
    if (what == CURL_POLL_REMOVE) {
        // libcurl may close this socket and get the same number for the next
        // one before the event loop runs again: the old notifiers go quiet
        // now and are freed later, since one of them may be emitting.
        const SocketWatch watch = m_sockets.take(socket);
        for (QSocketNotifier *notifier : { watch.read, watch.write }) {
            if (notifier) {
                notifier->setEnabled(false);
                notifier->deleteLater();
            }
        }
        return;
    }
    SocketWatch &watch = m_sockets[socket];
    const bool read = what == CURL_POLL_IN || what == CURL_POLL_INOUT;
    const bool write = what == CURL_POLL_OUT || what == CURL_POLL_INOUT;
    if (read && !watch.read)
        watch.read = newNotifier(socket, true);
    if (write && !watch.write)
        watch.write = newNotifier(socket, false);
    if (watch.read)
        watch.read->setEnabled(read);
    if (watch.write)
        watch.write->setEnabled(write);
}

QSocketNotifier *HttpTransfer::newNotifier(curl_socket_t socket, bool forRead)
{
    auto *notifier = new QSocketNotifier(
        qintptr(socket), forRead ? QSocketNotifier::Read : QSocketNotifier::Write, this);
    const int events = forRead ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
    connect(notifier, &QSocketNotifier::activated, this,
            [this, socket, events] { driveCurl(socket, events); });
    return notifier;
}

size_t HttpTransfer::writeBody(const char *data, size_t length)
{
    m_sinceLastByte.restart();
    // Redirects are followed inside libcurl and never reach here, so this is
    // the final reply. An error page goes nowhere, and is read to its end only
    // so that the connection stays usable.
    if (!isSuccess(responseCode())) {
        m_discarded += qint64(length);
        return m_discarded > maxDiscardedBody ? 0 : length;
    }
    if (m_sink && m_sink->write(data, qint64(length)) != qint64(length)) {
        m_writeFailed = true;
        return 0;
    }
    m_received += qint64(length);
    return length;
}

int HttpTransfer::responseCode() const
{
    long code = 0;
    curl_easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &code);
    return int(code);
}

void HttpTransfer::driveCurl(curl_socket_t socket, int events)
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

    FetchResult result;
    result.bytes = m_received;
    result.httpStatus = responseCode();
    if (m_writeFailed)
        result.errorText = QStringLiteral("cannot write the body");
    else if (result.httpStatus != 0 && !isSuccess(result.httpStatus))
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

void HttpTransfer::onIdleTimeout()
{
    if (!m_running)
        return;
    const qint64 idle = m_sinceLastByte.elapsed();
    if (idle < m_timeout.count()) {
        m_idleTimer.start(int(m_timeout.count() - idle));
        return;
    }
    FetchResult result;
    result.bytes = m_received;
    result.httpStatus = responseCode();
    result.errorText = QStringLiteral("no data for %1 ms").arg(m_timeout.count());
    complete(result);
}

void HttpTransfer::complete(FetchResult result)
{
    m_idleTimer.stop();
    if (m_running) {
        m_running = false;
        // A finished transfer leaves its connection in the cache for the next.
        curl_multi_remove_handle(m_multi, m_easy);
    }
    m_sink = nullptr;
    // Last: a listener may start the next fetch from inside this signal.
    Q_EMIT finished(result);
}
