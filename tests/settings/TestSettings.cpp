#include "MainState.h"
#include "SettingsStore.h"
#include "SettingsWindow.h"
#include "StoredSettings.h"
#include "WindowSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

class RecordingStore : public SettingsStore
{
public:
    using SettingsStore::SettingsStore;
    void write(const QString &k, const QString &t) override
    {
        keys << k;
        SettingsStore::write(k, t);
    }
    QStringList keys;
};

// Logs each effect of start-up on the window in order; an option command logs
// the flag it finds, which start-up must have inverted before calling it.
class FakeWindow : public SettingsWindow
{
public:
    MainState &mainState() override { return state; }
    double leftTwips() const override { return 0; }
    void setLeftTwips(double twips) override { log << u"left %1"_s.arg(twips); }
    double topTwips() const override { return 0; }
    void setTopTwips(double twips) override { log << u"top %1"_s.arg(twips); }
    // The directory list's own handling may leave it elsewhere than asked.
    QString dir1Path() const override { return u"/landed"_s; }
    void setDir1Path(const QString &path) override { log << u"dir1 "_s + path; }
    void setDrive1ToDriveOf(const QString &path) override { log << u"drive "_s + path; }
    void setJobBoxText(JobBox b, const QString &t) override { log << u"box%1 "_s.arg(int(b)) + t; }
    void setCheckSyncValue(qint16 value) override { log << u"sync %1"_s.arg(value); }
    void MenuAuto() override { log << u"MenuAuto %1"_s.arg(int(state.AUTO)); }
    void MenuBeep() override { log << u"MenuBeep %1"_s.arg(int(state.BEEP)); }
    void MenuLog() override { log << u"MenuLog %1"_s.arg(int(state.LOG)); }
    void setMenuProxyChecked(bool on) override { log << u"proxy %1 %2"_s.arg(on).arg(state.PROXY); }

    MainState state;
    QStringList log;
};

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    // Each row gets files of its own: QSettings keeps what it has parsed of a path.
    QString path(const char *name) const
    {
        return m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + QLatin1String(name));
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void damagedFiles_data()
    {
        QTest::addColumn<QString>("kind"); // of what lies at the settings path
        QTest::addColumn<QByteArray>("bytes"); // of a file
        QTest::addColumn<QString>("loads"); // URL|FLD, "-" for the default
        QTest::addColumn<bool>("backup"); // kept before the save replaces it
        QTest::addColumn<bool>("olderBackup"); // one there already
        const QByteArray none;
        QTest::newRow("clean") << "file"
                               << "[STARTUP]\nURL=u\nFLD=f\n"_ba
                               << "u|f" << false << false;
        QTest::newRow("hand-written comma") << "file"
                                            << "[STARTUP]\nURL=a, b\nFLD=f\n"_ba
                                            << "a,b|f" << false << false;
        QTest::newRow("UTF-8 with BOM, CR LF")
            << "file"
            << "\xef\xbb\xbf[STARTUP]\r\nURL=u\r\nFLD=画像\r\n"_ba
            << "u|画像" << false << false;
        QTest::newRow("Shift-JIS value") << "file"
                                         << "[STARTUP]\nURL=u\nFLD=\x89\xe6\x91\x9c\n"_ba
                                         << "u|画像" << true << false;
        // ソフト: the second byte of ソ is a backslash.
        QTest::newRow("Shift-JIS, backslash byte, older backup")
            << "file"
            << "[STARTUP]\nURL=u\nFLD=\x83\x5c\x83\x74\x83\x67\n"_ba
            << "u|ソフト" << true << true;
        QTest::newRow("neither UTF-8 nor Shift-JIS") << "file"
                                                     << "[STARTUP]\nURL=\xff\xfe\x80x\nFLD=f\n"_ba
                                                     << "-|f" << true << false;
        QTest::newRow("NUL byte") << "file" << QByteArray("[STARTUP]\nURL=a\0b\nFLD=f\n", 24)
                                  << "-|f" << true << false;
        QTest::newRow("line without =") << "file"
                                        << "[STARTUP]\nURL\nFLD=f\n"_ba
                                        << "-|f" << true << false;
        QTest::newRow("unclosed section header") << "file"
                                                 << "[STARTUP\nURL=u\nFLD=f\n"_ba
                                                 << "u|f" << true << false;
        QTest::newRow("FIFO") << "fifo" << none << "-|-" << true << false;
        QTest::newRow("link to the zero device") << "link" << none << "-|-" << true << false;
        QTest::newRow("directory") << "dir" << none << "-|-" << true << false;
        QTest::newRow("100 MB") << "huge" << none << "-|-" << true << false;
    }

    // What a damaged store loads; reading leaves it as it is, and the save
    // keeps it as a backup, never over an older one, before writing every key
    // that was read.
    void damagedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, loads);
        QFETCH(bool, backup);
        QFETCH(bool, olderBackup);
        const QString file = path(".conf");
        QFile stored(file);
        if (kind == u"file" || kind == u"huge")
            QVERIFY(stored.open(QIODevice::WriteOnly) && stored.write(bytes) == bytes.size());
        if (kind == u"huge")
            QVERIFY(stored.resize(100 << 20));
        stored.close();
        if (kind == u"fifo")
            QCOMPARE(mkfifo(QFile::encodeName(file).constData(), 0600), 0);
        if (kind == u"link")
            QVERIFY(QFile::link(u"/dev/zero"_s, file));
        if (kind == u"dir")
            QVERIFY(QDir().mkdir(file));
        const QString older = file + u".bak"_s;
        QVERIFY(!olderBackup || writeFile(older, "older"));

        const auto loaded = [](const SettingsStore &store) {
            return store.read(u"URL"_s, u"-"_s) + u'|' + store.read(u"FLD"_s, u"-"_s);
        };
        SettingsStore store(file);
        QCOMPARE(loaded(store), loads);
        if (kind == u"file")
            QCOMPARE(fileBytes(file), bytes);
        store.write(u"EXT"_s, u"new"_s);
        store.sync();

        const QString kept = olderBackup ? file + u".bak.1"_s : older;
        const QFileInfo backupInfo(kept);
        QCOMPARE(backupInfo.exists() || backupInfo.isSymLink(), backup);
        if (backup && kind == u"file")
            QCOMPARE(fileBytes(kept), bytes);
        QVERIFY(!olderBackup || fileBytes(older) == "older");
        SettingsStore saved(file);
        QVERIFY(QFileInfo(file).isFile());
        QCOMPARE(loaded(saved) + u'|' + saved.read(u"EXT"_s, {}), loads + u"|new"_s);
    }

    void savesInTableOrder()
    {
        RecordingStore store(path(".ini"));
        StoredSettings().save(store);
        QCOMPARE(
            store.keys.join(u' '),
            u"FORM_LEFT FORM_TOP URL FLD FNTOP EXT KETA START STOP PCFLD SYNC PCPATH AUTO PROXY "
            "BEEP LOG PROXYIP PORT"_s);
    }

    void conversions_data()
    {
        QTest::addColumn<QString>("stored"); // KEY=text
        QTest::addColumn<QString>("saved");
        QTest::newRow("flag word, any case") << u"PROXY= tRUE "_s << u"True"_s;
        QTest::newRow("flag 0.4 is not zero") << u"PROXY=0.4"_s << u"True"_s;
        QTest::newRow("flag yes, default true") << u"AUTO=yes"_s << u"True"_s;
        QTest::newRow("flag yes, default false") << u"PROXY=yes"_s << u"False"_s;
        QTest::newRow("SYNC 1.5 to even") << u"SYNC=1.5"_s << u"2"_s;
        QTest::newRow("SYNC 3") << u"SYNC=3"_s << u"1"_s;
        QTest::newRow("left 45000") << u"FORM_LEFT=45000"_s << u"0"_s;
        QTest::newRow("44999.5 rounds to 45000") << u"FORM_LEFT=44999.5"_s << u"0"_s;
        QTest::newRow("beyond 32 bits") << u"FORM_TOP=3000000000"_s << u"0"_s;
    }

    // A stored text as start-up reads it, seen through what the save command
    // writes back; text that does not convert gives the key's default.
    void conversions()
    {
        QFETCH(QString, stored);
        QFETCH(QString, saved);
        const QString key = stored.section(u'=', 0, 0);
        SettingsStore in(path(".ini"));
        in.write(key, stored.section(u'=', 1));
        SettingsStore out(path("-out.ini"));
        StoredSettings::load(in, m_dir.path()).save(out);
        QCOMPARE(out.read(key, QString()), saved);
    }

    void basePathFallback_data()
    {
        // Folders under a scratch home that has base, prog, Downloads and a file "file".
        QTest::addColumn<QString>("folders"); // stored, program's, expected
        QTest::newRow("stored exists") << u"base prog base"_s;
        QTest::newRow("stored is a file") << u"file prog prog"_s;
        QTest::newRow("no program folder") << u"gone noprog Downloads"_s;
        // Writable for root, and still no place for downloads.
        QTest::newRow("installed with the system") << u"gone /usr/bin Downloads"_s;
    }

    void basePathFallback()
    {
        QFETCH(QString, folders);
        const QStringList f = folders.split(u' ');
#ifndef Q_OS_LINUX
        QSKIP("the download folder is placed through XDG variables");
#endif
        const QDir home(path("-home"));
        for (const QString &folder : { u"base"_s, u"prog"_s, u"Downloads"_s })
            QVERIFY(home.mkpath(folder));
        QVERIFY(QFile(home.filePath(u"file"_s)).open(QIODevice::WriteOnly));
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u"config"_s)));
        SettingsStore store(path(".ini"));
        store.write(u"PCPATH"_s, home.filePath(f[0]));
        const QString loaded = StoredSettings::load(store, home.filePath(f[1])).PCPATH;
        QCOMPARE(QDir::cleanPath(loaded), home.filePath(f[2]));
    }

    // The order of effects on the window, which the real window cannot show.
    void startupStepsInOrder()
    {
        StoredSettings s;
        s.FORM_LEFT = 44985;
        s.FORM_TOP = -45000;
        s.jobTexts[int(JobBox::START)] = u"4"_s;
        s.SYNC = 2;
        s.PCPATH = u"/stored"_s;
        s.AUTO = s.LOG = false;
        s.PROXY = true;
        FakeWindow window;
        window.state.Running = true;
        runStartup(window, s);
        QCOMPARE(window.log.join(u'|'),
                 u"left 44985|top -45000|dir1 /stored|drive /landed|"
                 "box0 http://127.0.0.1:18080/|box1 images|box2 hana|box3 jpg|box4 1|box5 4|box6 8|"
                 "box7 |sync 2|MenuAuto 1|proxy 1 1|MenuBeep 0|MenuLog 1"_s);
        QCOMPARE(window.state.Running, false);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
