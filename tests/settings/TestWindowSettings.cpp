#include "MainState.h"
#include "SettingsStore.h"
#include "SettingsWindow.h"
#include "StoredSettings.h"
#include "WindowSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <limits>

namespace {

QString boxName(JobBox box)
{
    static const char *const names[]
        = { "URL", "FLD", "FNTOP", "EXT", "KETA", "START", "STOP", "PCFLD" };
    return QString::fromLatin1(names[int(box)]);
}

// Stands in for the window: logs each effect in order and behaves as the real
// controls' handlers do where start-up relies on it (a job box copies its text
// into MainState, the folder-sync box sets SYNC, the option commands toggle).
class FakeWindow : public SettingsWindow
{
public:
    MainState &mainState() override { return state; }
    double leftTwips() const override { return left; }
    void setLeftTwips(double twips) override
    {
        left = twips;
        log << QStringLiteral("left %1").arg(twips);
    }
    double topTwips() const override { return top; }
    void setTopTwips(double twips) override
    {
        top = twips;
        log << QStringLiteral("top %1").arg(twips);
    }
    QString dir1Path() const override { return dir1; }
    void setDir1Path(const QString &path) override
    {
        // The directory list's own handling may leave it elsewhere.
        dir1 = dir1LandsAt.isEmpty() ? path : dir1LandsAt;
        log << QStringLiteral("dir1 ") + path;
    }
    void setDrive1ToDriveOf(const QString &path) override
    {
        log << QStringLiteral("drive ") + path;
    }
    void setJobBoxText(JobBox box, const QString &text) override
    {
        QString *fields[] = { &state.URL,  &state.FLD,   &state.FNTOP, &state.EXT,
                              &state.KETA, &state.START, &state.STOP,  &state.PCFLD };
        *fields[int(box)] = text;
        log << QStringLiteral("box %1 %2").arg(boxName(box), text);
    }
    void setCheckSyncValue(qint16 value) override
    {
        state.SYNC = value;
        pcfldEnabled = value != 1;
        log << QStringLiteral("sync %1").arg(value);
    }
    void MenuAuto() override
    {
        toggle(state.AUTO, autoMark);
        autoPanelVisible = state.AUTO;
        log << QStringLiteral("MenuAuto");
    }
    void MenuBeep() override
    {
        toggle(state.BEEP, beepMark);
        log << QStringLiteral("MenuBeep");
    }
    void MenuLog() override
    {
        toggle(state.LOG, logMark);
        log << QStringLiteral("MenuLog");
    }
    void setMenuProxyChecked(bool checked) override
    {
        proxyMark = checked;
        log << (checked ? QStringLiteral("proxyMark true") : QStringLiteral("proxyMark false"));
    }

    MainState state;
    double left = 0;
    double top = 0;
    QString dir1;
    QString dir1LandsAt;
    bool pcfldEnabled = true;
    bool autoMark = false;
    bool autoPanelVisible = true;
    bool proxyMark = false;
    bool beepMark = false;
    bool logMark = false;
    QStringList log;

private:
    static void toggle(bool &flag, bool &mark)
    {
        flag = !flag;
        mark = flag;
    }
};

} // namespace

class TestWindowSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void startupStepsInOrder();
    void firstStartShowsDefaults();
    void startupAppliesFlags_data();
    void startupAppliesFlags();
    void savedPosition_data();
    void savedPosition();
    void startupThenSaveKeepsEveryValue();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("Seqget.ini")); }
    QString programFolder() const { return QDir::toNativeSeparators(m_dir->path()); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestWindowSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestWindowSettings::startupStepsInOrder()
{
    StoredSettings s;
    s.FORM_LEFT = 44985;
    s.FORM_TOP = -45000;
    s.URL = QStringLiteral("u");
    s.FLD = QStringLiteral("f");
    s.FNTOP = QStringLiteral("p");
    s.EXT = QStringLiteral("e");
    s.KETA = QStringLiteral("3");
    s.START = QStringLiteral("4");
    s.STOP = QStringLiteral("5");
    s.PCFLD = QStringLiteral("own");
    s.SYNC = 2;
    s.PCPATH = QStringLiteral("/stored");
    FakeWindow window;
    window.dir1LandsAt = QStringLiteral("/landed");
    window.state.Running = true;

    runStartup(window, s);

    const QStringList expected
        = { "left 44985", "top -45000",    "dir1 /stored", "drive /landed", "box URL u",
            "box FLD f",  "box FNTOP p",   "box EXT e",    "box KETA 3",    "box START 4",
            "box STOP 5", "box PCFLD own", "sync 2",       "MenuAuto",      "proxyMark false",
            "MenuBeep",   "MenuLog" };
    QCOMPARE(window.log, expected);
    QCOMPARE(window.state.SYNC, qint16(2));
    QVERIFY(window.pcfldEnabled);
    QCOMPARE(window.state.Running, false);
}

void TestWindowSettings::firstStartShowsDefaults()
{
    SettingsStore store(storePath());
    FakeWindow window;
    window.left = 999;
    window.top = 999;
    runStartup(window, StoredSettings::load(store, programFolder()));

    const MainState &st = window.state;
    QCOMPARE(window.left, 0.0);
    QCOMPARE(window.top, 0.0);
    QCOMPARE(
        QStringList({ st.URL, st.FLD, st.FNTOP, st.EXT, st.KETA, st.START, st.STOP, st.PCFLD }),
        QStringList({ "http://127.0.0.1:18080/", "images", "hana", "jpg", "1", "1", "8", "" }));
    QCOMPARE(st.SYNC, qint16(1));
    QVERIFY(!window.pcfldEnabled);
    QCOMPARE(window.dir1, programFolder());
    QVERIFY(st.AUTO && window.autoMark && window.autoPanelVisible);
    QVERIFY(!st.PROXY && !window.proxyMark);
    QVERIFY(st.BEEP && window.beepMark);
    QVERIFY(st.LOG && window.logMark);
    QCOMPARE(st.PROXYIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(st.PORT, QStringLiteral("8080"));
    QVERIFY(!QFile::exists(storePath()));
}

void TestWindowSettings::startupAppliesFlags_data()
{
    QTest::addColumn<bool>("autoOn");
    QTest::addColumn<bool>("proxyOn");
    QTest::addColumn<bool>("beepOn");
    QTest::addColumn<bool>("logOn");
    QTest::newRow("all off") << false << false << false << false;
    QTest::newRow("all on") << true << true << true << true;
    QTest::newRow("AUTO off, PROXY on") << false << true << true << false;
    QTest::newRow("AUTO on, BEEP off") << true << false << false << true;
}

// Each flag and its mark end as loaded, whatever the window started with; the
// proxy's fields stay as stored since no prompt runs.
void TestWindowSettings::startupAppliesFlags()
{
    QFETCH(bool, autoOn);
    QFETCH(bool, proxyOn);
    QFETCH(bool, beepOn);
    QFETCH(bool, logOn);
    StoredSettings s;
    s.AUTO = autoOn;
    s.PROXY = proxyOn;
    s.BEEP = beepOn;
    s.LOG = logOn;
    s.PROXYIP = QStringLiteral("proxy.example");
    s.PORT = QString();
    FakeWindow window;
    window.state.AUTO = window.autoMark = !autoOn;
    window.state.PROXY = window.proxyMark = !proxyOn;
    window.state.BEEP = window.beepMark = !beepOn;
    window.state.LOG = window.logMark = !logOn;

    runStartup(window, s);

    QCOMPARE(window.state.AUTO, autoOn);
    QCOMPARE(window.autoMark, autoOn);
    QCOMPARE(window.autoPanelVisible, autoOn);
    QCOMPARE(window.state.PROXY, proxyOn);
    QCOMPARE(window.proxyMark, proxyOn);
    QCOMPARE(window.state.BEEP, beepOn);
    QCOMPARE(window.beepMark, beepOn);
    QCOMPARE(window.state.LOG, logOn);
    QCOMPARE(window.logMark, logOn);
    QCOMPARE(window.state.PROXYIP, QStringLiteral("proxy.example"));
    QVERIFY(window.state.PORT.isEmpty());
}

void TestWindowSettings::savedPosition_data()
{
    QTest::addColumn<double>("twips");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << 1230.0 << "1230";
    QTest::newRow("negative") << -45000.0 << "-45000";
    QTest::newRow("half to even down") << 1230.5 << "1230";
    QTest::newRow("half to even up") << 1231.5 << "1232";
    QTest::newRow("small negative") << -0.4 << "0";
    QTest::newRow("single precision") << 16777217.0 << "16777216";
    QTest::newRow("beyond 32 bits") << 1e12 << "2147483647";
    QTest::newRow("far negative") << -1e12 << "-2147483648";
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << "0";
}

// Whole numbers without a decimal point, which read back as the same edge.
void TestWindowSettings::savedPosition()
{
    QFETCH(double, twips);
    QFETCH(QString, expected);
    FakeWindow window;
    window.left = twips;
    window.top = twips;
    SettingsStore store(storePath());
    saveSettings(window, store);
    QCOMPARE(store.read(QStringLiteral("FORM_LEFT"), QString()), expected);
    QCOMPARE(store.read(QStringLiteral("FORM_TOP"), QString()), expected);
}

// What start-up takes from a store, saving writes back unchanged.
void TestWindowSettings::startupThenSaveKeepsEveryValue()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("base")));
    const QStringList keys
        = { "FORM_LEFT", "FORM_TOP", "URL",    "FLD",  "FNTOP", "EXT",  "KETA", "START",   "STOP",
            "PCFLD",     "SYNC",     "PCPATH", "AUTO", "PROXY", "BEEP", "LOG",  "PROXYIP", "PORT" };
    const QStringList values
        = { "-1500", "44985",    "http://x/, y",
            "f;g",   " p ",      "",
            "2",     "07",       "1e2",
            "自分",  "2",        QDir::toNativeSeparators(m_dir->filePath(QStringLiteral("base"))),
            "False", "True",     "False",
            "True",  "10.0.0.1", "" };
    {
        SettingsStore store(storePath());
        for (qsizetype i = 0; i < keys.size(); ++i)
            store.write(keys[i], values[i]);
    }
    FakeWindow window;
    {
        SettingsStore store(storePath());
        runStartup(window, StoredSettings::load(store, programFolder()));
    }
    const QString againPath = m_dir->filePath(QStringLiteral("again.ini"));
    {
        SettingsStore again(againPath);
        saveSettings(window, again);
    }
    SettingsStore again(againPath);
    for (qsizetype i = 0; i < keys.size(); ++i)
        QCOMPARE(again.read(keys[i], QStringLiteral("absent")), values[i]);

    // Flags as words and positions as plain numbers, for a person reading it.
    QFile file(againPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char *line :
         { "\nFORM_LEFT=-1500\n", "\nSYNC=2\n", "\nAUTO=False\n", "\nPROXY=True\n" })
        QVERIFY2(text.contains(line), line);
}

QTEST_GUILESS_MAIN(TestWindowSettings)
#include "TestWindowSettings.moc"
