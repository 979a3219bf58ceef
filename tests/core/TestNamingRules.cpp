#include "MainState.h"
#include "NamingRules.h"

#include <QDir>
#include <QTest>

class TestNamingRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileName_data();
    void fileName();
    void paths_data();
    void paths();
    void plainComponent_data();
    void plainComponent();
};

static MainState naming(const QString &prefix, int digits, const QString &ext)
{
    MainState state;
    state.FNTOP = prefix;
    state.Digits = qint16(digits);
    state.EXT = ext;
    return state;
}

void TestNamingRules::fileName_data()
{
    QTest::addColumn<MainState>("state");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three digits") << naming("hana", 3, "jpg") << 1 << "hana001.jpg";
    QTest::newRow("number is never cut") << naming("hana", 3, "jpg") << 1234 << "hana1234.jpg";
    QTest::newRow("zero padded") << naming("hana", 2, "jpg") << 0 << "hana00.jpg";
    QTest::newRow("negative padded") << naming("hana", 3, "jpg") << -5 << "hana-005.jpg";
    QTest::newRow("star ext") << naming("hana", 3, "*") << 7 << "hana.007";
    QTest::newRow("question ext") << naming("hana", 3, "?") << 7 << "hana.007";
    QTest::newRow("star and more") << naming("hana", 3, "**") << 7 << "hana007.**";
    QTest::newRow("empty ext keeps dot") << naming("hana", 2, "") << 3 << "hana03.";
    QTest::newRow("empty prefix star") << naming("", 3, "*") << 9 << ".009";
}

void TestNamingRules::fileName()
{
    QFETCH(MainState, state);
    QFETCH(int, n);
    QTEST(FileNameFor(state, qint16(n)), "expected");
}

static void addPaths(const char *name, const QString &url, const QString &fld, int sync,
                     const QString &pcfld, const QString &remote, const QString &local)
{
    MainState state;
    state.URL = url;
    state.FLD = fld;
    state.SYNC = qint16(sync);
    state.PCFLD = pcfld;
    QTest::newRow(name) << state << remote << local;
}

void TestNamingRules::paths_data()
{
    QTest::addColumn<MainState>("state");
    QTest::addColumn<QString>("remote");
    QTest::addColumn<QString>("local");

    addPaths("usual", "http://s/b/", "img", 1, "mine", "http://s/b/img/x.jpg", "img");
    addPaths("no slash added", "http://s/b", "img", 0, "mine", "http://s/bimg/x.jpg", "mine");
    addPaths("nothing escaped", "http://s/", "a b%20", 2, "mine", "http://s/a b%20/x.jpg", "mine");
    addPaths("empty folder", "http://s/", "", 1, "mine", "http://s//x.jpg", "");
    addPaths("empty own folder", "http://s/", "img", 0, "", "http://s/img/x.jpg", "");
}

void TestNamingRules::paths()
{
    QFETCH(MainState, state);
    QFETCH(QString, local);
    QTEST(RemoteUrlFor(state, QStringLiteral("x.jpg")), "remote");
    // The separator is added even after a base that ends in one.
    QCOMPARE(LocalFolder(state, "/d/"), "/d/" + QString(QDir::separator()) + local);
}

void TestNamingRules::plainComponent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allowEmpty");
    QTest::addColumn<bool>("plain");

    QTest::newRow("dots inside") << "a..b" << false << true;
    QTest::newRow("parent") << ".." << true << false;
    QTest::newRow("separator") << "b/../../x" << false << false;
    QTest::newRow("nul") << QString("a") + QChar(0) + "b" << false << false;
    QTest::newRow("empty folder name") << "" << true << true;
}

void TestNamingRules::plainComponent()
{
    QFETCH(QString, name);
    QFETCH(bool, allowEmpty);
    QTEST(isPlainPathComponent(name, allowEmpty), "plain");
}

QTEST_APPLESS_MAIN(TestNamingRules)
#include "TestNamingRules.moc"
