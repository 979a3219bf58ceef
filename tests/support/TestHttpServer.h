#pragma once

#include <QHash>
#include <QObject>
#include <QTcpServer>
#include <memory>

// What the test server sends for one path: the reply exactly as it goes out,
// head and body, so that a test can write any framing, true or false.
struct TestResponse
{
    // Keep: the connection stays open for the next request. Close: closed once
    // the reply is sent. Stall: open, but nothing more is ever sent.
    enum class Ending { Keep, Close, Stall };

    // Body: the head at once, then the body a byte every 150 ms, never a
    // second without a byte and far too slow for a transfer. Head: the whole
    // reply 20 bytes every 50 ms, a head that is busy and yet long not done.
    enum class Trickle { None, Body, Head };

    QByteArray raw;
    Ending ending = Ending::Keep;
    // Answered only when the test calls release() for its path.
    bool hold = false;
    Trickle trickle = Trickle::None;
};

// A reply with the body's true Content-Length; headers are whole lines.
TestResponse reply(int status, const QByteArray &body, const QByteArray &headers = {});

struct RecordedRequest
{
    QByteArray target; // the path as sent in the request line
    QHash<QByteArray, QByteArray> headers; // names in lower case
};

// A small HTTP/1.1 server on 127.0.0.1 with keep-alive that sends the
// responses set per path (a 404 for any other) and records every request. It
// speaks https with a certificate for 127.0.0.1 that is its own authority.
class TestHttpServer final : public QObject
{
    Q_OBJECT

public:
    bool listen(bool https = false);
    // "http://127.0.0.1:<port>/", or https
    QString baseUrl() const;
    quint16 port() const;
    static QString certificateFile();
    // Answers the held requests for path, and later ones at once.
    void release(const QByteArray &path);

    QHash<QByteArray, TestResponse> responses;
    QList<RecordedRequest> requests;
    // Like a proxy that closes its kept-alive connections without saying so:
    // a request that is not the first on its connection closes it unanswered
    // and unrecorded.
    bool dropReusedConnections = false;
    // Like a server restarting or a proxy shedding load: this many requests,
    // the first ones, each close their connection unanswered and unrecorded.
    int dropFirstRequests = 0;
    int connectionsMade = 0;

Q_SIGNALS:
    void requestReceived(const QByteArray &path);

private:
    struct Connection
    {
        QByteArray unread;
        int requests = 0;
    };

    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &path);

    bool m_https = false;
    QList<std::pair<QTcpSocket *, QByteArray>> m_held;
    QHash<QTcpSocket *, Connection> m_connections;
    // Last, so that it goes first, with the sockets whose handlers use the tables above.
    std::unique_ptr<QTcpServer> m_server;
};

Q_DECLARE_METATYPE(TestResponse)
