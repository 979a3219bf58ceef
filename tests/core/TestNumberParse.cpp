#include "NumberParse.h"

#include <QTest>

class TestNumberParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void leadingNumber_data();
    void leadingNumber();
    void readNumber_data();
    void readNumber();
};

void TestNumberParse::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("plain") << "3" << 3.0;
    QTest::newRow("leading zeros") << "007" << 7.0;
    QTest::newRow("trailing junk") << "12abc" << 12.0;
    QTest::newRow("blank between digits") << "1 2" << 12.0;
    QTest::newRow("tab and line feed anywhere") << "\t1\n2 .\t5" << 12.5;
    QTest::newRow("letters") << "abc" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("only blanks") << "  \t \n " << 0.0;
    QTest::newRow("carriage return is not a blank") << "\r5" << 0.0;
    QTest::newRow("fraction") << "3.5" << 3.5;
    QTest::newRow("second point stops") << "1.2.3" << 1.2;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("trailing point") << "5." << 5.0;
    QTest::newRow("lone point") << "." << 0.0;
    QTest::newRow("comma is not a decimal point") << "2,5" << 2.0;
    QTest::newRow("plus sign") << "+4" << 4.0;
    QTest::newRow("minus sign") << "-4" << -4.0;
    QTest::newRow("sign after blank") << " - 4" << -4.0;
    QTest::newRow("lone sign") << "-" << 0.0;
    QTest::newRow("two signs") << "--4" << 0.0;
    QTest::newRow("minus zero") << "-0" << 0.0;
    QTest::newRow("exponent E") << "1E3" << 1000.0;
    QTest::newRow("exponent d lower") << "2d2" << 200.0;
    QTest::newRow("negative exponent") << "25e-1" << 2.5;
    QTest::newRow("exponent with plus") << "1e+2" << 100.0;
    QTest::newRow("exponent without digits") << "7e" << 7.0;
    QTest::newRow("exponent sign without digits") << "7e-x" << 7.0;
    QTest::newRow("hex") << "&H1F" << 31.0;
    QTest::newRow("hex lower case") << "&hff" << 255.0;
    QTest::newRow("hex stops at non-digit") << "&H1G" << 1.0;
    QTest::newRow("hex without digits") << "&H" << 0.0;
    QTest::newRow("octal") << "&O17" << 15.0;
    QTest::newRow("octal stops at 8") << "&O178" << 15.0;
    QTest::newRow("ampersand alone") << "&" << 0.0;
    QTest::newRow("ampersand other letter") << "&X1" << 0.0;
    QTest::newRow("huge") << "1e999" << HUGE_VAL;
    QTest::newRow("tiny") << "1e-999" << 0.0;
    QTest::newRow("full-width digits are not digits") << QString::fromUtf8("３") << 0.0;
}

void TestNumberParse::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(::leadingNumber(text), expected);
}

void TestNumberParse::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");

    QTest::newRow("half to even down") << "2.5" << true << 2;
    QTest::newRow("half to even up") << "3.5" << true << 4;
    QTest::newRow("negative half") << "-2.5" << true << -2;
    QTest::newRow("digit count 3.5") << "3.5" << true << 4;
    QTest::newRow("not half") << "2.51" << true << 3;
    QTest::newRow("top of range") << "32767" << true << 32767;
    QTest::newRow("bottom of range") << "-32768" << true << -32768;
    QTest::newRow("above range") << "40000" << false << 0;
    QTest::newRow("just above") << "32768" << false << 0;
    QTest::newRow("rounds into range") << "32767.4" << true << 32767;
    QTest::newRow("half rounds out of range") << "32767.5" << false << 0;
    QTest::newRow("negative half rounds to even inside") << "-32768.5" << true << -32768;
    QTest::newRow("below range") << "-32769" << false << 0;
    QTest::newRow("hex in range") << "&H7FFF" << true << 32767;
    QTest::newRow("hex out of range") << "&H8000" << false << 0;
    QTest::newRow("no number") << "abc" << true << 0;
    QTest::newRow("infinite") << "1e999" << false << 0;
}

void TestNumberParse::readNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const std::optional<qint16> value = ReadNumber(text);
    QCOMPARE(value.has_value(), fits);
    if (fits)
        QCOMPARE(int(*value), expected);
}

QTEST_APPLESS_MAIN(TestNumberParse)
#include "TestNumberParse.moc"
