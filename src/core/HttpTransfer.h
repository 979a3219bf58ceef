#pragma once

#include "FetchResult.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <chrono>
#include <curl/curl.h>

class QIODevice;
class QSocketNotifier;

// One GET at a time over one libcurl multi handle that lives as long as this
// object, so its connection cache keeps connections alive across the files of
// a series and across runs. libcurl never blocks: its sockets and timers are
// watched by this thread's event loop. The body streams into a sink the caller
// owns; memory use stays bounded whatever the body's size.
class HttpTransfer final : public QObject
{
    Q_OBJECT

public:
    explicit HttpTransfer(QObject *parent = nullptr);
    ~HttpTransfer() override;

    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // An empty host means a direct connection: never a proxy from the
    // environment or the desktop settings.
    void setProxyHost(const QString &host);
    QString proxyHost() const { return m_proxyHost; }

    // The proxy's port, typed as text. Returns false and keeps the previous
    // value when the text is no whole port (1..65535 after rounding).
    bool setPort(const QString &text);
    quint16 port() const { return m_port; }

    // How long a transfer may go without receiving a byte before it fails.
    void setTransferTimeout(std::chrono::milliseconds timeout);

    // Starts a GET of url and streams its body into sink (discarded when sink
    // is null). Exactly one finished() follows, always from the event loop,
    // never from inside this call. A fetch still running is aborted first.
    // The sink must not call back into this object from its write().
    void fetch(const QString &url, const QString &referer, QIODevice *sink);

    // Stops the fetch in progress; it reports nothing more.
    void abort();
    bool isBusy() const;

Q_SIGNALS:
    void finished(const FetchResult &result);

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

    void watchSocket(curl_socket_t socket, int what);
    QSocketNotifier *newNotifier(curl_socket_t socket, bool forRead);
    size_t writeBody(const char *data, size_t length);
    void driveCurl(curl_socket_t socket, int events);
    void onIdleTimeout();
    int responseCode() const;
    void complete(FetchResult result);
    void failQueued(const QString &error);

    CURLM *m_multi = nullptr;
    CURL *m_easy = nullptr;
    curl_slist *m_headers = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    QHash<curl_socket_t, SocketWatch> m_sockets;
    QTimer m_curlTimer;
    QTimer m_idleTimer;
    QElapsedTimer m_sinceLastByte;
    QPointer<QIODevice> m_sink;
    QString m_proxyHost;
    quint16 m_port = 80;
    std::chrono::milliseconds m_timeout { 30000 };
    qint64 m_received = 0;
    qint64 m_discarded = 0;
    // Counts fetches so that a failure queued for an earlier one is dropped.
    quint64 m_fetchId = 0;
    bool m_running = false;
    bool m_pendingFailure = false;
    bool m_writeFailed = false;
};
