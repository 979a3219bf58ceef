#include "support/Rows.h"
#include "transfer/RequestAddresses.h"

#include <QTest>

// The addresses a request carries, as a browser would send them typed so.
class TestRequestAddresses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forms_data()
    {
        // clang-format off
        // texts: asked in turn of one object
        dataTable<QStringList, QByteArrayList, QByteArrayList>({ "texts", "urls", "referers" });
        const auto row = [](const char *name, const QStringList &texts, const QByteArrayList &urls, const QByteArrayList &referers) {
            QTest::newRow(name) << texts << urls << referers;
        };
        row("plain", { "http://h/a/x1.jpg", "https://h/a/x2.jpg" }, { "http://h/a/x1.jpg", "https://h/a/x2.jpg" }, { "http://h/a/x1.jpg", "https://h/a/x2.jpg" });
        row("a folder changed between files", { "http://h/a/x.jpg", "http://h/b/x.jpg", "http://h/a/x.jpg" }, { "http://h/a/x.jpg", "http://h/b/x.jpg", "http://h/a/x.jpg" }, { "http://h/a/x.jpg", "http://h/b/x.jpg", "http://h/a/x.jpg" });
        row("blank, line break and kanji escaped", { "http://h/a b\r\n画/x y.jpg" }, { "http://h/a%20b%0D%0A%E7%94%BB/x%20y.jpg" }, { "http://h/a%20b%0D%0A%E7%94%BB/x%20y.jpg" });
        row("an escaped slash kept", { "http://h/a%2Fb/1.jpg", "http://h/a%2Fb/2.jpg" }, { "http://h/a%2Fb/1.jpg", "http://h/a%2Fb/2.jpg" }, { "http://h/a%2Fb/1.jpg", "http://h/a%2Fb/2.jpg" });
        row("a lone percent escaped", { "http://h/100%/1.jpg" }, { "http://h/100%25/1.jpg" }, { "http://h/100%25/1.jpg" });
        row("a query in the folder takes the name in", { "http://h/a?q=/x.jpg" }, { "http://h/a?q=/x.jpg" }, { "http://h/a?q=/x.jpg" });
        row("credentials and fragment stay out of the Referer", { "http://u:p@h/a#f/x.jpg" }, { "http://u:p@h/a#f/x.jpg" }, { "http://h/a" });
        row("no http address", { "ftp://h/a/x.jpg", "h/a/x.jpg", "http:///a/x.jpg", "" }, { "", "", "", "" }, { "", "", "", "" });
        // clang-format on
    }

    void forms()
    {
        QFETCH(QStringList, texts);
        QByteArrayList urls, referers;
        RequestAddresses addresses;
        for (const QString &text : texts) {
            urls << addresses.url(text);
            referers << addresses.referer(text);
        }
        QTEST(urls, "urls");
        QTEST(referers, "referers");
    }
};

QTEST_APPLESS_MAIN(TestRequestAddresses)
#include "TestRequestAddresses.moc"
