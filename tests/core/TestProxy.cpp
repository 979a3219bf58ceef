#include "RunRig.h"
#include "TestServers.h"

#include <QTest>

class TestProxy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void throughProxy();
    void directWhenProxyOff();

private:
    std::unique_ptr<RunRig> m_rig;
    quint16 m_proxyPort = 0;
};

void TestProxy::init()
{
    m_proxyPort = fixtureServerPort(QStringLiteral("tinyproxy"));
    if (m_proxyPort == 0)
        QSKIP("tinyproxy is not running (ctest starts it through the servers fixture)");
    m_rig = std::make_unique<RunRig>();
    for (int n = 1; n <= 3; ++n)
        m_rig->serve(QStringLiteral("hana00%1.jpg").arg(n), QByteArray::number(n).repeated(1000));
    m_rig->state.PROXYIP = QStringLiteral("127.0.0.1");
    // Typed with blanks, and mostly above 32767, as the fixture's ports are.
    m_rig->state.PORT = QStringLiteral(" %1 ").arg(m_proxyPort);
}

void TestProxy::throughProxy()
{
    m_rig->state.PROXY = true;
    QVERIFY(m_rig->runToEnd());
    QCOMPARE(int(m_rig->transfer.port()), int(m_proxyPort));
    QCOMPARE(m_rig->server.requests().size(), 3);
    for (const RecordedRequest &request : m_rig->server.requests())
        QVERIFY2(request.headers.value("via").contains("tinyproxy"), request.target.constData());
    for (int n = 1; n <= 3; ++n)
        QCOMPARE(readAll(m_rig->localFile(QStringLiteral("hana00%1.jpg").arg(n))),
                 QByteArray::number(n).repeated(1000));
}

void TestProxy::directWhenProxyOff()
{
    m_rig->state.PROXY = false;
    QVERIFY(m_rig->runToEnd());
    QCOMPARE(int(m_rig->transfer.port()), 80);
    QCOMPARE(m_rig->server.requests().size(), 3);
    for (const RecordedRequest &request : m_rig->server.requests())
        QVERIFY(!request.headers.contains("via"));
}

QTEST_GUILESS_MAIN(TestProxy)
#include "TestProxy.moc"
