#include "job/MainState.h"
#include "job/NamingRules.h"
#include "setup/SampleUrl.h"

#include <QTest>

namespace {

// number: the sample's own number where the answer is right; the job's naming
// rules must then give the sample back.
void row(const char *name, const QString &sample, const QString &answer, const QString &extension,
         const QString &prefix, const QString &folder, const QString &baseUrl, int number = -1)
{
    QTest::newRow(name) << sample << answer << QStringList { extension, prefix, folder, baseUrl }
                        << number;
}

} // namespace

class TestSampleUrl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void analysis_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("parts"); // extension, prefix, folder, base URL
        QTest::addColumn<int>("number");
        const QString s = QStringLiteral("http://server/base/images/hana001.jpg");
        const QString b = QStringLiteral("http://server/base/");
        row("worked example", s, "3", "jpg", "hana", "images", b, 1);
        row("answer 7 eats the name", s, "7", "jpg", "", "images", b);
        row("answer 1.5: 5.5 rounds to 6", s, "1.5", "jpg", "hana00", "images", b);
        row("answer 2.5: 4.5 rounds to 4", s, "2.5", "jpg", "hana", "images", b);
        row("cancel", s, "", "jpg", "hana001", "images", b);
        row("infinite answer", s, "1e999", "jpg", "", "images", b);
        row("trailing dot", s + u'.', "3", "", "hana001.", "images", b);
        row("slash in first position", "/hana001.jpg", "3", "jpg", "hana", "", "", 1);
        row("no dot, answer -1", s.chopped(4), "-1", s.chopped(4), "", "images", b);
        row("no slash", "hana001.jpg", "3", "jpg", "hana", "", "");
        row("dot before slash", "http://w.ex/img/hana", "3", "ex/img/hana", "", "img",
            "http://w.ex/");
        // The query stays on the extension, so every file is asked for with it.
        row("query", "http://s/i/hana001.jpg?w=640", "3", "jpg?w=640", "hana", "i", "http://s/", 1);
        row("code units, not characters", "h/𠮷/𠮷01.jpg", "2", "jpg", "𠮷", "𠮷", "h/", 1);
        // Beyond the longest sample, whose positions still fit 16 bits, the
        // sample is analysed as the empty text.
        const QString x(SampleUrl::maxLength - 9, u'x');
        row("longest sample", "h/a/" + x + "1.jpg", "1", "jpg", x, "a", "h/", 1);
        row("one character longer", "h/a/" + x + "x1.jpg", "1", "", "", "", "");
        // ".." comes through as the folder; the download run keeps it out.
        row("dot-dot segments", "http://h/a.b/../../x", "3", "/x", "", "..", "http://h/a.b/../");
    }

    void analysis()
    {
        QFETCH(QString, sample);
        QFETCH(QString, answer);
        QFETCH(int, number);
        const SampleUrl url(sample);
        QTEST((QStringList { url.extension(), url.prefix(answer), url.folder(), url.baseUrl() }),
              "parts");
        MainState state;
        state.URL = url.baseUrl();
        state.FLD = url.folder();
        state.FNTOP = url.prefix(answer);
        state.EXT = url.extension();
        QVERIFY(number < 0
                || RemoteUrlFor(state, FileNameFor(state, qint16(answer.toInt()), qint16(number)))
                    == sample);
    }
};

QTEST_GUILESS_MAIN(TestSampleUrl)
#include "TestSampleUrl.moc"
