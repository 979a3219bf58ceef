#include "job/MainState.h"
#include "job/NamingRules.h"
#include "job/NumberParse.h"
#include "job/ProxyAddress.h"
#include "support/Rows.h"

#include <QDir>

// The rules that turn the job boxes into numbers and names, and the proxy
// boxes into an address.
class TestJobRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A number read leniently, as the job boxes are, and strictly, as stored
    // settings and the port box are; both rounded into the 16-bit range.
    void numbers_data()
    {
        // clang-format off
        const auto row = dataTable<QString, double, QVariant, QVariant>({ "text", "leading", "ReadNumber", "roundedWholeNumber" });
        row("blank after the sign", "- 5", -5, -5, noValue);
        row("leading zero, blanks, tabs, line feeds", "\t03 2\n76 7", 32767, 32767, noValue);
        row("text after the number", "12abc", 12, 12, noValue);
        row("a second point stops", "1.2.3", 1.2, 1, noValue);
        row("exponent E with a plus", "2E+2", 200, 200, 200);
        row("plus sign, exponent D with a minus", "+15d-1", 1.5, 2, 2);
        row("hex stops at a non-digit", "&hAf9Fa.", 0xAF9FA, noValue, noValue);
        row("octal stops at 8", "&O1078", 71, 71, noValue);
        row("full-width digit", "３", 0, 0, noValue);
        row("half at the top rounds out", "32767.5", 32767.5, noValue, noValue);
        row("half at the bottom rounds in", "-32768.5", -32768.5, -32768, -32768);
        row("huge", "1e999", qInf(), noValue, noValue);
        row("tiny", "1e-999", 0, 0, 0);
        // clang-format on
    }

    void numbers()
    {
        const QString text = cell<QString>("text");
        QTEST(leadingNumber(text), "leading");
        QTEST(optionalColumn(ReadNumber(text)), "ReadNumber");
        QTEST(optionalColumn(roundedWholeNumber(text, -32768, 32767)), "roundedWholeNumber");
    }

    void fileName_data()
    {
        // clang-format off
        const auto row = dataTable<QString, QString, int, int, QString>({ "FNTOP", "EXT", "digits", "n", "name" });
        row("nothing cut", "hana", "jpg", 3, 1234, "hana1234.jpg");
        row("no digits", "hana", "jpg", 0, 5, "hana5.jpg");
        row("zero padded", "hana", "jpg", 2, 0, "hana00.jpg");
        row("negative digits", "hana", "jpg", -2, 5, "hana5.jpg");
        row("negative padded", "hana", "jpg", 3, -5, "hana-005.jpg");
        row("star extension", "hana", "*", 3, 7, "hana.007");
        row("question-mark extension", "hana", "?", 3, 7, "hana.007");
        row("two stars", "hana", "**", 3, 7, "hana007.**");
        row("empty extension keeps its dot", "hana", "", 2, 3, "hana03.");
        row("empty prefix", "", "jpg", 3, 7, "007.jpg");
        // clang-format on
    }

    void fileName()
    {
        MainState state;
        state.FNTOP = cell<QString>("FNTOP");
        state.EXT = cell<QString>("EXT");
        QTEST(FileNameFor(state, qint16(cell<int>("digits")), qint16(cell<int>("n"))), "name");
    }

    // The remote URL and the local path of the file x. Local paths are
    // written with "/" here, whatever the platform's separator.
    void paths_data()
    {
        // clang-format off
        const auto row = dataTable<QString, QString, QString, int, QString, QString, QString>({ "URL", "FLD", "PCFLD", "SYNC", "base", "remote", "local" });
        row("sync 1: server folder", "h/", "img", "own", 1, "/d", "h/img/x", "/d/img/x");
        row("sync 0: own folder", "h/", "img", "own", 0, "/d", "h/img/x", "/d/own/x");
        row("sync 2, empty own folder", "h/", "img", "", 2, "/d", "h/img/x", "/d//x");
        row("no slash added to URL", "h/b", "img", "", 1, "/d", "h/bimg/x", "/d/img/x");
        row("empty server folder", "h/", "", "own", 1, "/d", "h//x", "/d//x");
        row("base ending in a separator", "h/", "i", "", 1, "/d/", "h/i/x", "/d//i/x");
        // clang-format on
    }

    void paths()
    {
        MainState state;
        state.URL = cell<QString>("URL");
        state.FLD = cell<QString>("FLD");
        state.PCFLD = cell<QString>("PCFLD");
        state.SYNC = qint16(cell<int>("SYNC"));
        QTEST(RemoteUrlFor(state, "x"), "remote");
        QTEST(QDir::fromNativeSeparators(LocalPathFor(state, cell<QString>("base"), "x")), "local");
    }

    // Where a run sends its requests, from the proxy host and port boxes as
    // typed. Where the port box gives no port the run keeps its last one,
    // 3128 here.
    void proxyBoxes_data()
    {
        // clang-format off
        const auto row = dataTable<QString, QString, bool, QString, int>({ "hostBox", "portBox", "accepted", "host", "port" });
        row("blanks around both, highest port", " h ", " 65535 ", true, "h", 65535);
        row("port above the range", "h", "65536", true, "h", 3128);
        row("port 0", "h", "0", true, "h", 3128);
        row("port with text after it", "h", "8080abc", true, "h", 3128);
        row("bracketed IPv6 and lowest port", "[::1]:1", "80", true, "::1", 1);
        row("bracketed IPv6", "[::1]", "80", true, "::1", 80);
        row("empty host: no proxy", "", "80", true, "", 80);
        row("own port no number", "h:x", "80", false, "", 0);
        row("HTTP URL", "HTTP://h:84/", "80", true, "h", 84);
        row("https", "https://h:86", "80", false, "", 0);
        // clang-format on
    }

    void proxyBoxes()
    {
        const quint16 port = readPort(cell<QString>("portBox")).value_or(3128);
        const auto address = proxyAddress(cell<QString>("hostBox"), port);
        QTEST(address.has_value(), "accepted");
        QTEST(address.value_or(ProxyAddress {}).host, "host");
        QTEST(int(address.value_or(ProxyAddress {}).port), "port");
    }
};

QTEST_APPLESS_MAIN(TestJobRules)
#include "TestJobRules.moc"
