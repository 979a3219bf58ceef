#include "job/MainState.h"
#include "job/NamingRules.h"
#include "job/NumberParse.h"
#include "job/ProxyAddress.h"
#include "disk/SafeNames.h"

#include <QDir>
#include <QTest>
#include <cmath>

using namespace Qt::StringLiterals;

// The rules that turn the job boxes into numbers and names, and the proxy
// boxes into an address.
class TestNamingRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("leading");
        QTest::addColumn<int>("rounded"); // 99999: outside the 16-bit range, no number
        QTest::newRow("blanks, tabs, line feeds anywhere") << "\t1\n2 .\t5" << 12.5 << 12;
        QTest::newRow("second point stops") << "1.2.3" << 1.2 << 1;
        QTest::newRow("exponent d") << "2d2" << 200.0 << 200;
        QTest::newRow("hex stops at non-digit") << "&hfG" << 15.0 << 15;
        QTest::newRow("full-width digit") << "３" << 0.0 << 0;
        QTest::newRow("half to even") << "2.5" << 2.5 << 2;
        QTest::newRow("half rounds out of range") << "32767.5" << 32767.5 << 99999;
        QTest::newRow("negative half rounds inside") << "-32768.5" << -32768.5 << -32768;
        QTest::newRow("huge") << "1e999" << HUGE_VAL << 99999;
    }

    void readNumber()
    {
        QFETCH(QString, text);
        QTEST(leadingNumber(text), "leading");
        const std::optional<qint16> value = ReadNumber(text);
        QTEST(value ? int(*value) : 99999, "rounded");
    }

    void fileName_data()
    {
        QTest::addColumn<QString>("job"); // FNTOP|Digits|EXT
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("name");
        QTest::newRow("three digits") << "hana|3|jpg" << 1 << "hana001.jpg";
        QTest::newRow("number is never cut") << "hana|3|jpg" << 1234 << "hana1234.jpg";
        QTest::newRow("negative padded") << "hana|3|jpg" << -5 << "hana-005.jpg";
        QTest::newRow("star ext") << "hana|3|*" << 7 << "hana.007";
        QTest::newRow("question ext") << "hana|3|?" << 7 << "hana.007";
        QTest::newRow("empty ext keeps dot") << "hana|2|" << 3 << "hana03.";
    }

    void fileName()
    {
        QFETCH(QString, job);
        QFETCH(int, n);
        MainState state;
        state.FNTOP = job.section(u'|', 0, 0);
        state.EXT = job.section(u'|', 2, 2);
        QTEST(FileNameFor(state, qint16(job.section(u'|', 1, 1).toInt()), qint16(n)), "name");
    }

    // What Windows refuses is refused on every platform's build of the rule,
    // so that it is tested where the tests run. Each row is tagged with the name.
    void windowsNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("refused");
        // Two digits make no port, and a longer stem no device.
        for (const char *name : { "画像001.jpg", "COM10.jpg", "CONSOLE.jpg" })
            QTest::newRow(name) << name << false;
        // Devices in any case and with any extension, reserved characters, control
        // characters, and a trailing dot or blank, which Windows would drop.
        for (const char *name : { "con.txt", "COM1.jpg", "lpt9", "NUL .jpg", "a:b.jpg", "a?.jpg",
                                  "a\\b", "a\tb", "hana03.", "hana03 " })
            QTest::newRow(name) << name << true;
    }

    void windowsNames()
    {
        QFETCH(QString, name);
        QTEST(isRefusedByWindows(name), "refused");
    }

    void paths_data()
    {
        QTest::addColumn<QString>("job"); // URL|FLD|PCFLD
        QTest::addColumn<int>("sync");
        QTest::addColumn<QString>("paths"); // URL of x.jpg, the folder under the base directory
        QTest::newRow("usual") << "http://s/b/|img|mine" << 1 << "http://s/b/img/x.jpg img";
        QTest::newRow("no slash added") << "http://s/b|img|mine" << 0 << "http://s/bimg/x.jpg mine";
        QTest::newRow("nothing escaped")
            << "http://s/|a b%|mine" << 2 << "http://s/a b%/x.jpg mine";
    }

    // The separator is added even after a base that ends in one.
    void paths()
    {
        QFETCH(QString, job);
        QFETCH(int, sync);
        MainState state;
        state.URL = job.section(u'|', 0, 0);
        state.FLD = job.section(u'|', 1, 1);
        state.PCFLD = job.section(u'|', 2, 2);
        state.SYNC = qint16(sync);
        const QString base = u"/d/"_s + QDir::separator();
        QTEST(RemoteUrlFor(state, u"x.jpg"_s) + u' ' + LocalFolder(state, u"/d/"_s).remove(base),
              "paths");
    }

    // The port box is read as a whole number; a port in the host box wins;
    // what cannot be an http proxy's address is refused ("-").
    void proxyBoxes()
    {
        QStringList read;
        for (const char *port : { " 8080 ", "80.5", "1abc", "80 80", "0", "65536" }) {
            const std::optional<quint16> value = readPort(QString::fromLatin1(port));
            read << (value ? QString::number(*value) : u"-"_s);
        }
        for (const char *host :
             { " h ", "h:81", "[::1]:82", "::1", "", "h:x", "[::1", "http://h:83", "HTTP://h:84/",
               "http://[::1]:85/", "http://h", "http://", "https://h:86", "socks5://h:87",
               "http://h:88/proxy", "h/x", "user@h:89" }) {
            const auto address = proxyAddress(QString::fromLatin1(host), 80);
            read << (address ? address->host + u':' + QString::number(address->port) : u"-"_s);
        }
        QCOMPARE(
            read.join(u' '),
            u"8080 80 - - - - h:80 h:81 ::1:82 ::1:80 :80 - - h:83 h:84 ::1:85 h:80 - - - - - -"_s);
    }
};

QTEST_APPLESS_MAIN(TestNamingRules)
#include "TestNamingRules.moc"
