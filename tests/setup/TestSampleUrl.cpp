#include "MainState.h"
#include "NamingRules.h"
#include "SampleUrl.h"

#include <QTest>
#include <cmath>
#include <limits>

class TestSampleUrl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void substring_data();
    void substring();
    void analysis_data();
    void analysis();
    void lengthLimit_data();
    void lengthLimit();
    void roundTrip_data();
    void roundTrip();
};

void TestSampleUrl::substring_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::addColumn<double>("length");
    QTest::addColumn<QString>("expected");

    const QString abc = QStringLiteral("abcdef");
    QTest::newRow("plain") << abc << 2 << 3.0 << "bcd";
    QTest::newRow("length past the end stops there") << abc << 3 << 10.0 << "cdef";
    QTest::newRow("start just past the end") << abc << 7 << 1.0 << "";
    QTest::newRow("start far past the end") << abc << 100 << 1.0 << "";
    QTest::newRow("zero length") << abc << 1 << 0.0 << "";
    QTest::newRow("negative length") << abc << 1 << -1.0 << "";
    QTest::newRow("half rounds down to even") << abc << 1 << 4.5 << "abcd";
    QTest::newRow("half rounds up to even") << abc << 1 << 5.5 << "abcdef";
    QTest::newRow("minus a half rounds to zero") << abc << 1 << -0.5 << "";
    QTest::newRow("below a half rounds down") << abc << 1 << 2.4 << "ab";
    QTest::newRow("huge length") << abc << 4 << 1e300 << "def";
    QTest::newRow("infinite length") << abc << 4 << HUGE_VAL << "def";
    QTest::newRow("not a number") << abc << 1 << std::numeric_limits<double>::quiet_NaN() << "";
    QTest::newRow("start below one counts as one") << abc << 0 << 2.0 << "ab";
    QTest::newRow("code units, not characters") << QString::fromUtf16(u"\U00020BB7a") << 2 << 2.0
                                                << QString::fromUtf16(u"\xDFB7"
                                                                      u"a");
}

void TestSampleUrl::substring()
{
    QFETCH(QString, text);
    QFETCH(int, start);
    QFETCH(double, length);
    QFETCH(QString, expected);
    QCOMPARE(SampleUrl::substring(text, start, length), expected);
}

void TestSampleUrl::analysis_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("dotPos");
    QTest::addColumn<int>("lastSlash");
    QTest::addColumn<int>("prevSlash");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("baseUrl");

    const QString sample = QStringLiteral("http://server/base/images/hana001.jpg");
    const QString base = QStringLiteral("http://server/base/");
    QTest::newRow("worked example") << sample << "3" << 34 << 26 << 19 << "jpg"
                                    << "hana"
                                    << "images" << base;
    QTest::newRow("answer 1") << sample << "1" << 34 << 26 << 19 << "jpg"
                              << "hana00"
                              << "images" << base;
    QTest::newRow("answer 7 eats the name") << sample << "7" << 34 << 26 << 19 << "jpg"
                                            << ""
                                            << "images" << base;
    QTest::newRow("answer 1.5: 5.5 rounds to 6") << sample << "1.5" << 34 << 26 << 19 << "jpg"
                                                 << "hana00"
                                                 << "images" << base;
    QTest::newRow("answer 2.5: 4.5 rounds to 4") << sample << "2.5" << 34 << 26 << 19 << "jpg"
                                                 << "hana"
                                                 << "images" << base;
    QTest::newRow("cancel or empty answer") << sample << "" << 34 << 26 << 19 << "jpg"
                                            << "hana001"
                                            << "images" << base;
    QTest::newRow("answer not a number") << sample << "three" << 34 << 26 << 19 << "jpg"
                                         << "hana001"
                                         << "images" << base;
    QTest::newRow("answer larger than the name") << sample << "9" << 34 << 26 << 19 << "jpg"
                                                 << ""
                                                 << "images" << base;
    QTest::newRow("digits-only name") << "http://server/base/images/001.jpg"
                                      << "3" << 30 << 26 << 19 << "jpg"
                                      << ""
                                      << "images" << base;
    QTest::newRow("trailing dot") << sample + u'.' << "3" << 38 << 26 << 19 << ""
                                  << "hana001."
                                  << "images" << base;
    QTest::newRow("one slash") << "images/hana001.jpg"
                               << "3" << 15 << 7 << 0 << "jpg"
                               << "hana"
                               << "images"
                               << "";
    QTest::newRow("two slashes") << "dir/images/hana001.jpg"
                                 << "3" << 19 << 11 << 4 << "jpg"
                                 << "hana"
                                 << "images"
                                 << "dir/";
    QTest::newRow("slash in first position") << "/hana001.jpg"
                                             << "3" << 9 << 1 << 0 << "jpg"
                                             << "hana"
                                             << ""
                                             << "";
    QTest::newRow("name before the dot as long as the answer") << "a/b/123.jpg"
                                                               << "7" << 8 << 4 << 2 << "jpg"
                                                               << ""
                                                               << "b"
                                                               << "a/";
    QTest::newRow("no dot, answer -1")
        << "http://server/base/images/hana001"
        << "-1" << 0 << 26 << 19 << "http://server/base/images/hana001"
        << ""
        << "images" << base;
    QTest::newRow("no dot, answer 3") << "http://server/base/images/hana001"
                                      << "3" << 0 << 26 << 19 << "http://server/base/images/hana001"
                                      << ""
                                      << "images" << base;
    QTest::newRow("no slash") << "hana001.jpg"
                              << "3" << 8 << 0 << 0 << "jpg"
                              << "hana"
                              << ""
                              << "";
    QTest::newRow("https") << "https://example.com/gallery/2024/pic_0042.webp"
                           << "4" << 42 << 33 << 28 << "webp"
                           << "pic_"
                           << "2024"
                           << "https://example.com/gallery/";
    // The query stays on the extension, so every file of the series is asked
    // for with the same query, as in the sample.
    QTest::newRow("query string") << "http://server/images/hana001.jpg?w=640"
                                  << "3" << 29 << 21 << 14 << "jpg?w=640"
                                  << "hana"
                                  << "images"
                                  << "http://server/";
    QTest::newRow("port") << "http://h:8080/a/b/c01.png"
                          << "2" << 22 << 18 << 16 << "png"
                          << "c"
                          << "b"
                          << "http://h:8080/a/";
    QTest::newRow("japanese folder and name")
        << QString::fromUtf8("http://server/写真/花001.jpg") << "3" << 22 << 17 << 14 << "jpg"
        << QString::fromUtf8("花") << QString::fromUtf8("写真") << "http://server/";
    QTest::newRow("trailing slash only") << "http://server/base/images/"
                                         << "3" << 0 << 26 << 19 << "http://server/base/images/"
                                         << ""
                                         << "images" << base;
    QTest::newRow("empty sample") << ""
                                  << "" << 0 << 0 << 0 << ""
                                  << ""
                                  << ""
                                  << "";
    QTest::newRow("last dot before last slash") << "http://www.example.com/images/hana"
                                                << "3" << 19 << 30 << 23 << "com/images/hana"
                                                << ""
                                                << "images"
                                                << "http://www.example.com/";
    // ".." comes through as the folder text; keeping it out of the local
    // folder is the download run's path check.
    QTest::newRow("dot-dot segments") << "http://h/a.b/../../x"
                                      << "3" << 18 << 19 << 16 << "/x"
                                      << ""
                                      << ".."
                                      << "http://h/a.b/../";
    QTest::newRow("blanks and case kept") << " http://s/a/x01.JPG "
                                          << "2" << 16 << 12 << 10 << "JPG "
                                          << "x"
                                          << "a"
                                          << " http://s/";
}

void TestSampleUrl::analysis()
{
    QFETCH(QString, sample);
    QFETCH(QString, answer);
    QFETCH(int, dotPos);
    QFETCH(int, lastSlash);
    QFETCH(int, prevSlash);

    const SampleUrl url(sample);
    QCOMPARE(url.dotPos(), dotPos);
    QCOMPARE(url.lastSlash(), lastSlash);
    QCOMPARE(url.prevSlash(), prevSlash);
    QCOMPARE(url.hasDot(), dotPos != 0);
    QCOMPARE(url.hasSlash(), lastSlash != 0);
    QTEST(url.extension(), "extension");
    QTEST(url.prefix(answer), "prefix");
    QTEST(url.folder(), "folder");
    QTEST(url.baseUrl(), "baseUrl");
}

void TestSampleUrl::lengthLimit_data()
{
    QTest::addColumn<qsizetype>("length");

    QTest::newRow("longest analysed") << SampleUrl::maxLength;
    QTest::newRow("one longer") << SampleUrl::maxLength + 1;
}

void TestSampleUrl::lengthLimit()
{
    QFETCH(qsizetype, length);
    const QString head = QStringLiteral("http://h/a/");
    const QString tail = QStringLiteral("001.jpg");
    const QString name(length - head.size() - tail.size(), u'x');
    const SampleUrl url(head + name + tail);

    if (length <= SampleUrl::maxLength) {
        QCOMPARE(url.dotPos(), length - 3);
        QCOMPARE(url.extension(), u"jpg");
        QCOMPARE(url.prefix(QStringLiteral("3")), name);
        QCOMPARE(url.folder(), u"a");
        QCOMPARE(url.baseUrl(), head.left(9));
    } else {
        QVERIFY(!url.hasDot());
        QVERIFY(!url.hasSlash());
        QCOMPARE(url.extension(), QString());
        QCOMPARE(url.prefix(QStringLiteral("3")), QString());
        QCOMPARE(url.folder(), QString());
        QCOMPARE(url.baseUrl(), QString());
    }
}

void TestSampleUrl::roundTrip_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("digits");
    QTest::addColumn<int>("number");

    QTest::newRow("plain") << "http://server/base/"
                           << "images"
                           << "hana"
                           << "jpg" << 3 << 1;
    QTest::newRow("port, dotted folder, no prefix") << "https://example.com:8443/"
                                                    << "img.v2"
                                                    << ""
                                                    << "png" << 4 << 42;
    QTest::newRow("japanese") << "http://server/" << QString::fromUtf8("写真")
                              << QString::fromUtf8("犬_") << "jpeg" << 2 << 99;
    QTest::newRow("no base URL") << ""
                                 << "images"
                                 << "p"
                                 << "gif" << 5 << 0;
    QTest::newRow("deep base URL") << "http://h/a/b/"
                                   << "c"
                                   << "x-y"
                                   << "tar" << 1 << 7;
}

void TestSampleUrl::roundTrip()
{
    MainState state;
    QFETCH(QString, base);
    QFETCH(QString, folder);
    QFETCH(QString, prefix);
    QFETCH(QString, extension);
    QFETCH(int, digits);
    QFETCH(int, number);
    state.URL = base;
    state.FLD = folder;
    state.FNTOP = prefix;
    state.EXT = extension;
    state.Digits = qint16(digits);

    const SampleUrl url(RemoteUrlFor(state, FileNameFor(state, qint16(number))));
    QCOMPARE(url.extension(), extension);
    QCOMPARE(url.prefix(QString::number(digits)), prefix);
    QCOMPARE(url.folder(), folder);
    QCOMPARE(url.baseUrl(), base);
}

QTEST_GUILESS_MAIN(TestSampleUrl)
#include "TestSampleUrl.moc"
