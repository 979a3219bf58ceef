#include "TestHttpServer.h"

#include <QHostAddress>
#include <QTcpSocket>

TestHttpServer::TestHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
}

TestHttpServer::~TestHttpServer()
{
    // The sockets die with m_server, after the tables their disconnected()
    // handlers clean up; they must not reach those tables any more.
    for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
        socket->disconnect(this);
}

bool TestHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 TestHttpServer::port() const
{
    return m_server.serverPort();
}

QString TestHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(port());
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
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_connectionIds.insert(socket, ++m_connections);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            m_connectionIds.remove(socket);
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
    } else {
        const qint64 length
            = response.declaredLength < 0 ? response.body.size() : response.declaredLength;
        head += "Content-Length: " + QByteArray::number(length) + "\r\n\r\n" + sent;
    }
    socket->write(head);
    if (response.ending == TestResponse::Ending::Close)
        socket->disconnectFromHost();
}
