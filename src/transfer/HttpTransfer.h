#pragma once

#include "transfer/FetchResult.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <chrono>
#include <memory>

class QIODevice;

// What stays the same for every fetch of a transfer.
struct TransferOptions
{
    // A fetch fails when less than a few bytes a second of the body arrive
    // over this long, or when the reply's head is not complete by then. The
    // limit counts in whole seconds, rounded up.
    std::chrono::milliseconds stallLimit = std::chrono::seconds(30);
    // A PEM file whose certificate authorities are trusted instead of the
    // system's, for servers with certificates of their own making; empty for
    // the system's.
    QString certificateAuthorities;
};

// One GET at a time over a connection cache that lives as long as this
// object, so connections stay alive across the files of a series and across
// runs. Nothing blocks: the sockets and timers are watched by this thread's
// event loop. The body streams into a sink the caller owns, so memory use
// stays bounded whatever the body's size. What the replies mean is decided by
// ReplyRules; this drives libcurl and asks them.
class HttpTransfer final : public QObject
{
    Q_OBJECT

public:
    explicit HttpTransfer(const TransferOptions &options = {}, QObject *parent = nullptr);
    ~HttpTransfer() override;

    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // Requests go through the HTTP proxy at host:port; an empty host means a
    // direct connection, and never a proxy from the environment.
    void setProxy(const QString &host, quint16 port);

    // Starts a GET of url, a request form as RequestAddresses makes it, and
    // streams its body into sink (discarded when sink is null). referer names
    // the page the request comes from, or is empty. An empty url fails the
    // fetch. Exactly one finished() follows, always from the event loop,
    // never from inside this call. A fetch still running is aborted first.
    // The sink must not call back into this object from its write().
    void fetch(const QByteArray &url, const QByteArray &referer, QIODevice *sink);

    // Stops the fetch in progress; it reports nothing more.
    void abort();

Q_SIGNALS:
    void finished(const FetchResult &result);

private:
    class Private;
    std::unique_ptr<Private> d;
};
