#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <memory>

class QTcpSocket;

// What the test server answers for one path.
struct TestResponse
{
    enum class Trickle {
        None,
        Head, // the head goes out one line at a time, then the body at once
        Body, // the head at once, then the body one byte at a time
    };
    enum class Ending {
        Keep, // the connection stays open for the next request
        Close, // closed once the bytes below are sent
        Stall, // stays open, but nothing more is ever sent
    };

    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // Content-Length to announce; -1 announces the body's true size.
    qint64 declaredLength = -1;
    // Body bytes actually sent; -1 sends the whole body.
    qint64 sentLength = -1;
    // Send the body with chunked framing (declaredLength is then ignored).
    bool chunked = false;
    // Neither a length nor chunks: the body ends when the connection closes.
    bool unframed = false;
    // Answer only when the test calls release() for this path.
    bool hold = false;
    Trickle trickle = Trickle::None;
    Ending ending = Ending::Keep;
};

struct RecordedRequest
{
    QByteArray method;
    QByteArray target; // as sent: origin form, or an absolute URI through a proxy
    QByteArray path; // target without scheme and host
    QHash<QByteArray, QByteArray> headers; // names in lower case
    int connection = 0; // 1 for the first accepted connection, and so on
};

// A small HTTP/1.1 server on 127.0.0.1 with keep-alive, answering programmed
// responses per path and recording every request it gets. Unknown paths get
// a 404 with a small body. It speaks https with a certificate for 127.0.0.1
// that is its own authority (certificateFile()).
class TestHttpServer final : public QObject
{
    Q_OBJECT

public:
    explicit TestHttpServer(QObject *parent = nullptr);
    ~TestHttpServer() override;

    bool listen(bool https = false);
    quint16 port() const;
    // "http://127.0.0.1:<port>/", or https
    QString baseUrl() const;
    static QString certificateFile();

    // Like a proxy that closes its kept-alive connections without saying so:
    // a request that is not the first on its connection gets no answer, the
    // connection is closed instead.
    void setDropRequestsOnReusedConnections(bool drop) { m_dropReused = drop; }

    void setResponse(const QByteArray &path, const TestResponse &response);
    // Answers the held requests for path, and later ones at once.
    void release(const QByteArray &path);

    QList<RecordedRequest> requests() const { return m_requests; }
    QList<QByteArray> requestedPaths() const;
    int connectionCount() const { return m_connections; }
    // Connections the client has not closed yet.
    int openConnections() const { return int(m_connectionIds.size()); }

Q_SIGNALS:
    void requestReceived(const QByteArray &path);

private:
    struct Held
    {
        QTcpSocket *socket = nullptr;
        QByteArray path;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const QByteArray &path);
    void trickle(QTcpSocket *socket, QByteArrayList pieces, TestResponse::Ending ending);

    std::unique_ptr<QTcpServer> m_server;
    bool m_https = false;
    bool m_dropReused = false;
    QHash<QByteArray, TestResponse> m_responses;
    QList<Held> m_held;
    QList<RecordedRequest> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QTcpSocket *, int> m_connectionIds;
    QHash<QTcpSocket *, int> m_requestsOnConnection;
    int m_connections = 0;
};
Q_DECLARE_METATYPE(TestResponse)
