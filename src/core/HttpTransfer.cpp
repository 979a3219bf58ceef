#include "HttpTransfer.h"

#include "NumberParse.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// Small enough that a gigabyte body never sits in memory, large enough that a
// fast local server is not throttled by it.
constexpr qint64 readBufferSize = 512 * 1024;
constexpr int maxRedirects = 10;

bool isSuccess(int status)
{
    return status >= 200 && status <= 299;
}

int statusOf(const QNetworkReply *reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

HttpTransfer::HttpTransfer(QObject *parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
    m_chunk.resize(readBufferSize);
    applyProxy();
}

HttpTransfer::~HttpTransfer()
{
    abort();
}

void HttpTransfer::setProxyHost(const QString &host)
{
    m_proxyHost = host;
    applyProxy();
}

bool HttpTransfer::setPort(const QString &text)
{
    // A text that holds no number at all reads as 0, which is no port either.
    const auto value = roundedNumber(text, 1, 65535);
    if (!value)
        return false;
    m_port = quint16(*value);
    applyProxy();
    return true;
}

void HttpTransfer::setTransferTimeout(std::chrono::milliseconds timeout)
{
    m_timeout = timeout;
}

void HttpTransfer::applyProxy()
{
    // Set on the manager, the proxy is used as given, also for loopback hosts;
    // NoProxy keeps http_proxy and the desktop's settings out of a direct run.
    if (m_proxyHost.isEmpty())
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    else
        m_manager->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, m_proxyHost, m_port));
}

bool HttpTransfer::isBusy() const
{
    return m_reply || m_pendingFailure;
}

void HttpTransfer::fetch(const QString &url, const QString &referer, QIODevice *sink)
{
    abort();
    ++m_fetchId;
    m_sink = sink;
    m_received = 0;
    m_writeFailed = false;

    const QUrl target(url, QUrl::StrictMode);
    const QString scheme = target.scheme();
    if (!target.isValid() || target.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        failQueued(QStringLiteral("unsupported or malformed URL"));
        return;
    }

    QNetworkRequest request(target);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    // HTTP/2 replies can hang on Qt 6.4; one HTTP/1.1 keep-alive connection
    // serves a series just as well.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // The saved bytes and the length check must be the server's own.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Seqget/0.5.0"));
    // Many image servers refuse a request that names no page it came from.
    request.setRawHeader("Referer", referer.toUtf8());
    request.setTransferTimeout(int(m_timeout.count()));

    QNetworkReply *reply = m_manager->get(request);
    reply->setReadBufferSize(readBufferSize);
    m_reply = reply;
    connect(reply, &QNetworkReply::readyRead, this, &HttpTransfer::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &HttpTransfer::onReplyFinished);
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
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        // abort() emits finished inside the call; nobody may hear it.
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void HttpTransfer::drainReply()
{
    QNetworkReply *reply = m_reply;
    // The body of an error reply reaches readyRead before the error does:
    // look at the status before a single byte goes to the sink.
    const bool keep = isSuccess(statusOf(reply));
    while (reply->bytesAvailable() > 0) {
        const qint64 n = reply->read(m_chunk.data(), m_chunk.size());
        if (n <= 0)
            break;
        if (!keep)
            continue;
        m_received += n;
        if (m_sink && m_sink->write(m_chunk.constData(), n) != n) {
            m_writeFailed = true;
            return;
        }
    }
}

void HttpTransfer::onReadyRead()
{
    if (!m_reply)
        return;
    drainReply();
    if (m_writeFailed) {
        FetchResult result;
        result.bytes = m_received;
        result.httpStatus = statusOf(m_reply);
        result.errorText = QStringLiteral("cannot write the body");
        complete(result);
    }
}

void HttpTransfer::onReplyFinished()
{
    if (!m_reply)
        return;
    drainReply();
    QNetworkReply *reply = m_reply;
    FetchResult result;
    result.bytes = m_received;
    result.httpStatus = statusOf(reply);
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (m_writeFailed)
        result.errorText = QStringLiteral("cannot write the body");
    else if (reply->error() != QNetworkReply::NoError)
        result.errorText = reply->errorString();
    else if (!isSuccess(result.httpStatus))
        result.errorText = QStringLiteral("HTTP status %1").arg(result.httpStatus);
    else if (length.isValid() && length.toLongLong() != m_received)
        result.errorText = QStringLiteral("body shorter or longer than its Content-Length");
    else
        result.ok = true;
    complete(result);
}

void HttpTransfer::complete(FetchResult result)
{
    if (QNetworkReply *reply = m_reply) {
        m_reply = nullptr;
        disconnect(reply, nullptr, this, nullptr);
        if (!reply->isFinished())
            reply->abort();
        reply->deleteLater();
    }
    m_sink = nullptr;
    // Last: a listener may start the next fetch from inside this signal.
    Q_EMIT finished(result);
}
