#pragma once

#include "FetchResult.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <chrono>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

// One GET at a time over one QNetworkAccessManager that lives as long as this
// object, so connections are kept alive across the files of a series and
// across runs. The body streams into a sink the caller owns; memory use stays
// bounded whatever the body's size.
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
    void fetch(const QString &url, const QString &referer, QIODevice *sink);

    // Stops the fetch in progress; it reports nothing more.
    void abort();
    bool isBusy() const;

Q_SIGNALS:
    void finished(const FetchResult &result);

private:
    void onReadyRead();
    void onReplyFinished();
    void drainReply();
    void complete(FetchResult result);
    void failQueued(const QString &error);
    void applyProxy();

    QNetworkAccessManager *m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QPointer<QIODevice> m_sink;
    QByteArray m_chunk;
    QString m_proxyHost;
    quint16 m_port = 80;
    std::chrono::milliseconds m_timeout { 30000 };
    qint64 m_received = 0;
    // Counts fetches so that a failure queued for an earlier one is dropped.
    quint64 m_fetchId = 0;
    bool m_pendingFailure = false;
    bool m_writeFailed = false;
};
