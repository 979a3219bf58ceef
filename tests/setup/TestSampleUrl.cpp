#include "job/MainState.h"
#include "job/NamingRules.h"
#include "job/NumberParse.h"
#include "setup/SampleUrl.h"
#include "support/Rows.h"

class TestSampleUrl : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The fields cut from a sample with the digit count typed at the prompt,
    // and whether the naming rules build the sample back from them as the
    // address of file number 1.
    void analysis_data()
    {
        // clang-format off
        const auto row = dataTable<QString, QString, QString, QString, QString, QString, bool>({ "sample", "answer", "EXT", "FNTOP", "FLD", "URL", "rebuilt" });
        const QString s = QStringLiteral("http://server/base/images/hana001.jpg");
        const QString b = QStringLiteral("http://server/base/");
        row("worked example", s, "3", "jpg", "hana", "images", b, true);
        row("answer 2.5: 4.5 rounds to 4", s, "2.5", "jpg", "hana", "images", b, false);
        row("cancel", s, "", "jpg", "hana001", "images", b, false);
        row("digits only", "http://server/base/images/001.jpg", "3", "jpg", "", "images", b, true);
        row("ending in a dot", s + u'.', "3", "", "hana001.", "images", b, false);
        row("one slash", "images/hana001.jpg", "3", "jpg", "hana", "images", "", true);
        row("slash in first position", "/a001.jpg", "3", "jpg", "a", "", "", true);
        row("no dot, answer -1", s.chopped(4), "-1", s.chopped(4), "", "images", b, false);
        row("no slash", "a1.jpg", "1", "jpg", "a", "", "", false);
        row("empty folder", "h//a1.jpg", "1", "jpg", "a", "", "h/", true);
        row("dot before the last slash", "h.x/i/a", "3", "x/i/a", "", "i", "h.x/", false);
        const QString x(SampleUrl::maxLength - 9, u'x');
        row("longest sample", "h/a/" + x + "1.jpg", "1", "jpg", x, "a", "h/", true);
        row("one character longer", "h/a/" + x + "x1.jpg", "1", "", "", "", "", false);
        // clang-format on
    }

    void analysis()
    {
        const SampleUrl url(cell<QString>("sample"));
        const QString answer = cell<QString>("answer");
        MainState job;
        QTEST(job.EXT = url.extension(), "EXT");
        QTEST(job.FNTOP = url.prefix(answer), "FNTOP");
        QTEST(job.FLD = url.folder(), "FLD");
        QTEST(job.URL = url.baseUrl(), "URL");
        const QString name = FileNameFor(job, ReadNumber(answer).value_or(0), 1);
        QTEST(RemoteUrlFor(job, name) == cell<QString>("sample"), "rebuilt");
    }
};

QTEST_APPLESS_MAIN(TestSampleUrl)
#include "TestSampleUrl.moc"
