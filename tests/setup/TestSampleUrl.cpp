#include "job/MainState.h"
#include "job/NamingRules.h"
#include "job/NumberParse.h"
#include "setup/SampleUrl.h"
#include "support/DataRows.h"

class TestSampleUrl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The fields cut from a sample with the digit count typed at the prompt,
    // and whether the naming rules build the sample back from them as the
    // address of file number 1.
    void analysis_data()
    {
        const auto row = dataTable<QString, QString, QString, QString, QString, QString, bool>(
            { "sample", "answer", "EXT", "FNTOP", "FLD", "URL", "rebuilt" });
        const QString s = QStringLiteral("http://server/base/images/hana001.jpg");
        const QString b = QStringLiteral("http://server/base/");
        row("worked example", s, "3", "jpg", "hana", "images", b, true);
        row("answer 7 takes the whole name", s, "7", "jpg", "", "images", b, false);
        row("answer 1.5: 5.5 rounds to 6", s, "1.5", "jpg", "hana00", "images", b, false);
        row("answer 2.5: 4.5 rounds to 4", s, "2.5", "jpg", "hana", "images", b, false);
        row("cancel", s, "", "jpg", "hana001", "images", b, false);
        row("infinite answer", s, "1e999", "jpg", "", "images", b, false);
        row("digits only", "http://server/base/images/001.jpg", "3", "jpg", "", "images", b, true);
        row("ending in a dot", s + u'.', "3", "", "hana001.", "images", b, false);
        row("one slash", "images/hana001.jpg", "3", "jpg", "hana", "images", "", true);
        row("slash in first position", "/hana001.jpg", "3", "jpg", "hana", "", "", true);
        row("all before the dot is the answer", "a/b/123.jpg", "7", "jpg", "", "b", "a/", false);
        row("no dot, answer -1", s.chopped(4), "-1", s.chopped(4), "", "images", b, false);
        row("no slash", "hana001.jpg", "3", "jpg", "hana", "", "", false);
        row("dot before the last slash", "h.x/i/a", "3", "x/i/a", "", "i", "h.x/", false);
        // The query stays on the extension, so every file is asked for with it.
        row("query", "h/i/a01.jpg?w=6", "2", "jpg?w=6", "a", "i", "h/", true);
        row("code units, not characters", "h/𠮷/𠮷01.jpg", "2", "jpg", "𠮷", "𠮷", "h/", true);
        const QString x(SampleUrl::maxLength - 9, u'x');
        row("longest sample", "h/a/" + x + "1.jpg", "1", "jpg", x, "a", "h/", true);
        row("one character longer", "h/a/" + x + "x1.jpg", "1", "", "", "", "", false);
    }

    void analysis()
    {
        QFETCH(QString, sample);
        QFETCH(QString, answer);
        const SampleUrl url(sample);
        MainState state;
        state.EXT = url.extension();
        state.FNTOP = url.prefix(answer);
        state.FLD = url.folder();
        state.URL = url.baseUrl();
        QTEST(state.EXT, "EXT");
        QTEST(state.FNTOP, "FNTOP");
        QTEST(state.FLD, "FLD");
        QTEST(state.URL, "URL");
        const QString name = FileNameFor(state, ReadNumber(answer).value_or(0), 1);
        QTEST(RemoteUrlFor(state, name) == sample, "rebuilt");
    }
};

QTEST_APPLESS_MAIN(TestSampleUrl)
#include "TestSampleUrl.moc"
