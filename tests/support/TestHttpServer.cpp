#include "support/TestHttpServer.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

TestResponse reply(int status, const QByteArray &body, const QByteArray &headers)
{
    return { "HTTP/1.1 " + QByteArray::number(status) + " Test\r\nContent-Length: "
             + QByteArray::number(body.size()) + "\r\n" + headers + "\r\n" + body };
}

QString TestHttpServer::certificateFile()
{
    return QStringLiteral(SEQGET_TEST_SUPPORT_DIR "/test-cert.pem");
}

bool TestHttpServer::listen(bool https)
{
    m_https = https;
    if (!https) {
        m_server = std::make_unique<QTcpServer>();
    } else {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QFile key(QStringLiteral(SEQGET_TEST_SUPPORT_DIR "/test-key.pem"));
        if (!key.open(QIODevice::ReadOnly))
            return false;
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        tls.setLocalCertificateChain(QSslCertificate::fromPath(certificateFile()));
        server->setSslConfiguration(tls);
        m_server = std::move(server);
    }
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            m_connections.insert(socket, {});
            ++connectionsMade;
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_connections.remove(socket);
                m_held.removeIf([socket](const auto &held) { return held.first == socket; });
                socket->deleteLater();
            });
        }
    });
    return m_server->listen(QHostAddress::LocalHost, 0);
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2/").arg(m_https ? "https" : "http").arg(port());
}

quint16 TestHttpServer::port() const
{
    return m_server->serverPort();
}

void TestHttpServer::release(const QByteArray &path)
{
    responses[path].hold = false;
    for (const auto &[socket, heldPath] : std::exchange(m_held, {})) {
        if (heldPath == path)
            answer(socket, path);
        else
            m_held.append({ socket, heldPath });
    }
}

void TestHttpServer::onReadyRead(QTcpSocket *socket)
{
    Connection &connection = m_connections[socket];
    connection.unread += socket->readAll();
    for (qsizetype end; (end = connection.unread.indexOf("\r\n\r\n")) >= 0;) {
        const QList<QByteArray> lines = connection.unread.left(end).split('\n');
        connection.unread.remove(0, end + 4);
        RecordedRequest request;
        request.target = lines.value(0).split(' ').value(1);
        for (const QByteArray &line : lines.mid(1)) {
            if (const qsizetype colon = line.indexOf(':'); colon > 0)
                request.headers.insert(line.left(colon).trimmed().toLower(),
                                       line.mid(colon + 1).trimmed());
        }
        if ((++connection.requests > 1 && dropReusedConnections) || dropFirstRequests > 0) {
            dropFirstRequests = std::max(0, dropFirstRequests - 1);
            socket->disconnectFromHost();
            return;
        }
        requests.append(request);
        Q_EMIT requestReceived(request.target);
        if (responses.value(request.target).hold)
            m_held.append({ socket, request.target });
        else
            answer(socket, request.target);
    }
}

void TestHttpServer::answer(QTcpSocket *socket, const QByteArray &path)
{
    const TestResponse response = responses.value(path, reply(404, "<html>not found</html>"));
    if (response.trickle == TestResponse::Trickle::None) {
        socket->write(response.raw);
        if (response.ending == TestResponse::Ending::Close)
            socket->disconnectFromHost();
        return;
    }
    // What goes out one piece per tick: after the head, a byte at a time; or
    // from the start, about a header line at a time.
    const bool body = response.trickle == TestResponse::Trickle::Body;
    const qsizetype start = body ? response.raw.indexOf("\r\n\r\n") + 4 : 0, step = body ? 1 : 20;
    socket->write(response.raw.first(start));
    QByteArrayList pieces;
    for (qsizetype at = start; at < response.raw.size(); at += step)
        pieces << response.raw.mid(at, step);
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [socket, timer, pieces]() mutable {
        socket->write(pieces.takeFirst());
        if (pieces.isEmpty())
            timer->deleteLater();
    });
    timer->start(body ? 150 : 50);
}
