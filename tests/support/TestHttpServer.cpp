#include "TestHttpServer.h"

#include <QFile>
#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
}

TestHttpServer::~TestHttpServer()
{
    // The sockets die with m_server, after the tables their disconnected()
    // handlers clean up; they must not reach those tables any more.
    if (m_server) {
        for (QTcpSocket *socket : m_server->findChildren<QTcpSocket *>())
            socket->disconnect(this);
    }
}

QString TestHttpServer::certificateFile()
{
    return QStringLiteral(SEQGET_TEST_SUPPORT_DIR "/test-cert.pem");
}

bool TestHttpServer::listen(bool https)
{
    m_https = https;
    if (https) {
        auto server = std::make_unique<QSslServer>();
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        QFile key(QStringLiteral(SEQGET_TEST_SUPPORT_DIR "/test-key.pem"));
        if (!key.open(QIODevice::ReadOnly))
            return false;
        tls.setPrivateKey(QSslKey(&key, QSsl::Rsa));
        tls.setLocalCertificateChain(QSslCertificate::fromPath(certificateFile()));
        server->setSslConfiguration(tls);
        m_server = std::move(server);
    } else {
        m_server = std::make_unique<QTcpServer>();
    }
    connect(m_server.get(), &QTcpServer::pendingConnectionAvailable, this,
            &TestHttpServer::onNewConnection);
    return m_server->listen(QHostAddress::LocalHost, 0);
}

quint16 TestHttpServer::port() const
{
    return m_server->serverPort();
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("%1://127.0.0.1:%2/").arg(m_https ? "https" : "http").arg(port());
}

void TestHttpServer::setResponse(const QByteArray &path, const TestResponse &response)
{
    m_responses.insert(path, response);
}

void TestHttpServer::release(const QByteArray &path)
{
    m_responses[path].hold = false;
    const QList<Held> held = m_held;
    m_held.clear();
    for (const Held &h : held) {
        if (h.path == path && h.socket)
            answer(h.socket, h.path);
        else
            m_held.append(h);
    }
}

QList<QByteArray> TestHttpServer::requestedPaths() const
{
    QList<QByteArray> paths;
    for (const RecordedRequest &r : m_requests)
        paths.append(r.path);
    return paths;
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        m_connectionIds.insert(socket, ++m_connections);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            m_connectionIds.remove(socket);
            m_requestsOnConnection.remove(socket);
            m_held.removeIf([socket](const Held &h) { return h.socket == socket; });
            socket->deleteLater();
        });
    }
}

void TestHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    qsizetype end;
    while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);
        const QList<QByteArray> parts = lines.value(0).trimmed().split(' ');
        RecordedRequest request;
        request.method = parts.value(0);
        request.target = parts.value(1);
        request.path = request.target;
        if (request.path.contains("://")) {
            const qsizetype slash = request.path.indexOf('/', request.path.indexOf("://") + 3);
            request.path = slash < 0 ? QByteArray("/") : request.path.mid(slash);
        }
        request.connection = m_connectionIds.value(socket);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                       lines.at(i).mid(colon + 1).trimmed());
        }
        m_requests.append(request);
        Q_EMIT requestReceived(request.path);
        if (++m_requestsOnConnection[socket] > 1 && m_dropReused) {
            socket->disconnectFromHost();
            return;
        }
        if (m_responses.value(request.path).hold)
            m_held.append({ socket, request.path });
        else
            answer(socket, request.path);
    }
}

void TestHttpServer::answer(QTcpSocket *socket, const QByteArray &path)
{
    TestResponse response;
    if (m_responses.contains(path)) {
        response = m_responses.value(path);
    } else {
        response.status = 404;
        response.body = "<html>not found</html>";
    }
    const QByteArray sent
        = response.sentLength < 0 ? response.body : response.body.left(response.sentLength);
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Test\r\n";
    for (const auto &header : response.headers)
        head += header.first + ": " + header.second + "\r\n";
    if (response.chunked) {
        head += "Transfer-Encoding: chunked\r\n\r\n";
        // One chunk announced at the full size; a short send breaks the framing.
        head += QByteArray::number(response.body.size(), 16) + "\r\n" + sent;
        if (sent.size() == response.body.size())
            head += "\r\n0\r\n\r\n";
    } else if (response.unframed) {
        head += "\r\n" + sent;
    } else {
        const qint64 length
            = response.declaredLength < 0 ? response.body.size() : response.declaredLength;
        head += "Content-Length: " + QByteArray::number(length) + "\r\n\r\n" + sent;
    }
    if (response.trickle != TestResponse::Trickle::None) {
        const qsizetype headSize = head.size() - sent.size();
        QByteArrayList pieces;
        if (response.trickle == TestResponse::Trickle::Head) {
            for (qsizetype at = 0; at < headSize;) {
                const qsizetype end = head.indexOf('\n', at) + 1;
                pieces << head.mid(at, end - at);
                at = end;
            }
            pieces << sent;
        } else {
            pieces << head.left(headSize);
            for (char c : sent)
                pieces << QByteArray(1, c);
        }
        trickle(socket, pieces, response.ending);
        return;
    }
    socket->write(head);
    if (response.ending == TestResponse::Ending::Close)
        socket->disconnectFromHost();
}

void TestHttpServer::trickle(QTcpSocket *socket, QByteArrayList pieces, TestResponse::Ending ending)
{
    // Fast enough never to leave a second without a byte, far too slow to be
    // a real transfer.
    auto *timer = new QTimer(socket);
    connect(timer, &QTimer::timeout, socket, [socket, timer, pieces, ending]() mutable {
        socket->write(pieces.takeFirst());
        if (pieces.isEmpty()) {
            timer->deleteLater();
            if (ending == TestResponse::Ending::Close)
                socket->disconnectFromHost();
        }
    });
    timer->start(150);
}
