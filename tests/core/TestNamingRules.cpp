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
    void remoteUrl_data();
    void remoteUrl();
    void localPath_data();
    void localPath();
    void plainComponent_data();
    void plainComponent();
};

void TestNamingRules::fileName_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<int>("digits");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    QTest::newRow("three digits") << "hana" << 3 << "jpg" << 1 << "hana001.jpg";
    QTest::newRow("more digits than pattern") << "hana" << 1 << "jpg" << 12 << "hana12.jpg";
    QTest::newRow("no pattern") << "hana" << 0 << "jpg" << 5 << "hana5.jpg";
    QTest::newRow("number is cut never") << "hana" << 3 << "jpg" << 1234 << "hana1234.jpg";
    QTest::newRow("zero padded") << "hana" << 2 << "jpg" << 0 << "hana00.jpg";
    QTest::newRow("negative padded") << "hana" << 3 << "jpg" << -5 << "hana-005.jpg";
    QTest::newRow("negative digit count") << "hana" << -3 << "jpg" << 5 << "hana5.jpg";
    QTest::newRow("negative number no pattern") << "hana" << 0 << "jpg" << -5 << "hana-5.jpg";
    QTest::newRow("lowest number") << "a" << 6 << "b" << -32768 << "a-032768.b";
    QTest::newRow("star ext") << "hana" << 3 << "*" << 7 << "hana.007";
    QTest::newRow("question ext") << "hana" << 3 << "?" << 7 << "hana.007";
    QTest::newRow("two stars") << "hana" << 3 << "**" << 7 << "hana007.**";
    QTest::newRow("star and more") << "hana" << 3 << "*x" << 7 << "hana007.*x";
    QTest::newRow("star with blank is ordinary") << "hana" << 1 << " *" << 7 << "hana7. *";
    QTest::newRow("empty ext keeps dot") << "hana" << 2 << "" << 3 << "hana03.";
    QTest::newRow("empty prefix") << "" << 3 << "jpg" << 9 << "009.jpg";
    QTest::newRow("empty prefix star") << "" << 3 << "*" << 9 << ".009";
    QTest::newRow("japanese prefix") << QString::fromUtf8("花") << 2 << "png" << 4
                                     << QString::fromUtf8("花04.png");
}

void TestNamingRules::fileName()
{
    QFETCH(QString, prefix);
    QFETCH(int, digits);
    QFETCH(QString, ext);
    QFETCH(int, n);
    QFETCH(QString, expected);
    MainState state;
    state.FNTOP = prefix;
    state.Digits = qint16(digits);
    state.EXT = ext;
    QCOMPARE(FileNameFor(state, qint16(n)), expected);
}

void TestNamingRules::remoteUrl_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");

    QTest::newRow("usual") << "http://server/base/" << "images"
                           << "http://server/base/images/hana001.jpg";
    QTest::newRow("no slash added between") << "http://server/base" << "images"
                                            << "http://server/baseimages/hana001.jpg";
    QTest::newRow("empty folder doubles slash") << "http://server/" << ""
                                                << "http://server//hana001.jpg";
    QTest::newRow("nothing escaped") << "http://s/" << "a b%20"
                                     << "http://s/a b%20/hana001.jpg";
}

void TestNamingRules::remoteUrl()
{
    QFETCH(QString, url);
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    MainState state;
    state.URL = url;
    state.FLD = folder;
    QCOMPARE(RemoteUrlFor(state, QStringLiteral("hana001.jpg")), expected);
}

void TestNamingRules::localPath_data()
{
    QTest::addColumn<QString>("base");
    QTest::addColumn<int>("sync");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("ownFolder");
    QTest::addColumn<QString>("expectedFolder");

    const QString s = QString(QDir::separator());
    QTest::newRow("sync takes server folder") << "/data" << 1 << "images" << "mine"
                                              << "/data" + s + "images";
    QTest::newRow("unsynced takes own folder") << "/data" << 0 << "images" << "mine"
                                               << "/data" + s + "mine";
    QTest::newRow("sync 2 takes own folder") << "/data" << 2 << "images" << "mine"
                                             << "/data" + s + "mine";
    QTest::newRow("separator added after root") << "/" << 1 << "images" << ""
                                                << "/" + s + "images";
    QTest::newRow("empty folder") << "/data" << 1 << "" << "mine" << "/data" + s;
    QTest::newRow("unsynced empty own folder") << "/data" << 0 << "images" << ""
                                               << "/data" + s;
}

void TestNamingRules::localPath()
{
    QFETCH(QString, base);
    QFETCH(int, sync);
    QFETCH(QString, folder);
    QFETCH(QString, ownFolder);
    QFETCH(QString, expectedFolder);
    MainState state;
    state.SYNC = qint16(sync);
    state.FLD = folder;
    state.PCFLD = ownFolder;
    QCOMPARE(LocalFolder(state, base), expectedFolder);
    QCOMPARE(LocalPathFor(state, base, QStringLiteral("x.jpg")),
             expectedFolder + QDir::separator() + "x.jpg");
}

void TestNamingRules::plainComponent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("allowEmpty");
    QTest::addColumn<bool>("plain");

    QTest::newRow("file name") << "hana001.jpg" << false << true;
    QTest::newRow("dots inside") << "a..b" << false << true;
    QTest::newRow("single dot") << "." << true << true;
    QTest::newRow("parent") << ".." << true << false;
    QTest::newRow("separator") << "b/../../x" << false << false;
    QTest::newRow("leading separator") << "/etc" << true << false;
    QTest::newRow("nul") << QString("a") + QChar(0) + "b" << false << false;
    QTest::newRow("empty file name") << "" << false << false;
    QTest::newRow("empty folder name") << "" << true << true;
    QTest::newRow("japanese") << QString::fromUtf8("画像") << false << true;
}

void TestNamingRules::plainComponent()
{
    QFETCH(QString, name);
    QFETCH(bool, allowEmpty);
    QFETCH(bool, plain);
    QCOMPARE(isPlainPathComponent(name, allowEmpty), plain);
}

QTEST_APPLESS_MAIN(TestNamingRules)
#include "TestNamingRules.moc"
