#include "NumberParse.h"

#include <QTest>
#include <cmath>

class TestNumberParse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readNumber_data();
    void readNumber();
};

// ReadNumber's result for a number outside the 16-bit range.
constexpr int none = 99999;

void TestNumberParse::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("leading");
    QTest::addColumn<int>("rounded");

    QTest::newRow("blanks, tabs, line feeds anywhere") << "\t1\n2 .\t5" << 12.5 << 12;
    QTest::newRow("carriage return is not a blank") << "\r5" << 0.0 << 0;
    QTest::newRow("second point stops") << "1.2.3" << 1.2 << 1;
    QTest::newRow("comma is no decimal point") << "2,5" << 2.0 << 2;
    QTest::newRow("exponent d") << "2d2" << 200.0 << 200;
    QTest::newRow("exponent without digits") << "7e-x" << 7.0 << 7;
    QTest::newRow("hex stops at non-digit") << "&hfG" << 15.0 << 15;
    QTest::newRow("octal stops at 8") << "&O178" << 15.0 << 15;
    QTest::newRow("full-width digit") << QString::fromUtf8("３") << 0.0 << 0;
    QTest::newRow("half to even up") << "3.5" << 3.5 << 4;
    QTest::newRow("negative half") << "-2.5" << -2.5 << -2;
    QTest::newRow("half rounds out of range") << "32767.5" << 32767.5 << none;
    QTest::newRow("negative half rounds inside") << "-32768.5" << -32768.5 << -32768;
    QTest::newRow("STOP 40000") << "40000" << 40000.0 << none;
    QTest::newRow("huge") << "1e999" << HUGE_VAL << none;
}

void TestNumberParse::readNumber()
{
    QFETCH(QString, text);
    QFETCH(int, rounded);
    QTEST(leadingNumber(text), "leading");
    const std::optional<qint16> value = ReadNumber(text);
    QCOMPARE(value ? int(*value) : none, rounded);
}

QTEST_APPLESS_MAIN(TestNumberParse)
#include "TestNumberParse.moc"
