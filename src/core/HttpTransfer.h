#pragma once

#include "core/FetchResult.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class QIODevice;

// One GET at a time over a connection cache that lives as long as this
// object, so connections stay alive across the files of a series and across
// runs. Nothing blocks: the sockets and timers are watched by this thread's
// event loop. The body streams into a sink the caller owns, so memory use
// stays bounded whatever the body's size.
class HttpTransfer final : public QObject
{
    Q_OBJECT

public:
    explicit HttpTransfer(QObject *parent = nullptr);
    ~HttpTransfer() override;

    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // Requests go through the HTTP proxy at host:port; an empty host means a
    // direct connection, and never a proxy from the environment.
    void setProxy(const QString &host, quint16 port);

    // A fetch fails when less than a few bytes a second arrive over this
    // long, while waiting for the reply's header as well as in its body.
    void setStallLimit(std::chrono::milliseconds limit);

    // Trusts the certificate authorities in this PEM file instead of the
    // system's, for servers with certificates of their own making.
    void setCertificateAuthorities(const QString &pemFile);

    // Starts a GET of url and streams its body into sink (discarded when sink
    // is null). referer names the page the request comes from; it is sent
    // without user info and encoded as the URL is. Exactly one finished()
    // follows, always from the event loop, never from inside this call. A
    // fetch still running is aborted first. The sink must not call back into
    // this object from its write().
    void fetch(const QString &url, const QString &referer, QIODevice *sink);

    // Stops the fetch in progress; it reports nothing more.
    void abort();

Q_SIGNALS:
    void finished(const FetchResult &result);

private:
    class Private;
    std::unique_ptr<Private> d;
};
