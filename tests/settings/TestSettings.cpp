#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "support/RecordingPlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "ui/DirectoryList.h"
#include "ui/Seqget_FRM.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QLineEdit *boxOf(const QWidget &window, JobBox box)
{
    return window.findChild<QLineEdit *>(QStringLiteral("Text_") + jobField(box).key);
}

void setSync(const QWidget &window, int value)
{
    window.findChild<QCheckBox *>(QStringLiteral("Check_SYNC"))
        ->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

// Whether the saved file holds this whole line. Windows' QSettings ends its
// lines with CR LF.
bool holdsLine(const QString &file, const QByteArray &line)
{
    return readAll(file).replace("\r\n", "\n").contains('\n' + line + '\n');
}

// The settings as the window shows them: the eight job boxes; the
// folder-sync value, whether the own-folder box is enabled and which of the
// three easy-setup controls are shown; AUTO, PROXY, BEEP and LOG, each as
// flag and menu mark; proxy host and port; position.
QStringList shown(const Seqget_FRM &window)
{
    QStringList values;
    for (const JobField &job : jobFields)
        values << boxOf(window, job.box)->text();
    QString panel;
    for (const char *name : { "Label1_10", "Combo_url", "Command_AUTO" })
        panel += window.findChild<QWidget *>(QString::fromLatin1(name))->isHidden() ? u'0' : u'1';
    values << QString::number(window.mainState().SYNC)
           << QString::number(boxOf(window, JobBox::PCFLD)->isEnabled()) << panel;
    const MainState &s = window.mainState();
    const bool flags[] = { s.AUTO, s.PROXY, s.BEEP, s.LOG };
    const char *const menus[] = { "MenuAuto", "MenuProxy", "MenuBeep", "MenuLog" };
    for (int i = 0; i < 4; ++i) {
        const auto *menu = window.findChild<QAction *>(QString::fromLatin1(menus[i]));
        values << u"%1%2"_s.arg(int(flags[i])).arg(int(menu->isChecked()));
    }
    return values << s.PROXYIP << s.PORT << u"%1,%2"_s.arg(window.x()).arg(window.y());
}

// The window as the program makes it: loaded from store, saving into it.
std::unique_ptr<Seqget_FRM> openWindow(SettingsStore &store, DownloadRun &run,
                                       Prompter *prompter)
{
    auto window = std::make_unique<Seqget_FRM>(run, &VolumeList::fromSystem,
                                               StoredSettings::load(store), prompter);
    QObject::connect(window.get(), &Seqget_FRM::saveRequested,
                     [&store](const StoredSettings &settings) { settings.save(store); });
    return window;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

    // Each row gets files of its own: QSettings keeps what it has parsed of a path.
    QString path(const char *suffix) const
    {
        return m_dir.filePath(QString::fromUtf8(QTest::currentDataTag()) + QLatin1String(suffix));
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void storedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // the file's, or a FIFO in its place
        QTest::addColumn<QString>("saved"); // keys as the save writes them back
        QTest::addColumn<bool>("backup"); // the file is kept before the save replaces it
        const auto row
            = [](const char *name, const QByteArray &bytes, const QString &saved,
                 bool backup = false) { QTest::newRow(name) << bytes << saved << backup; };
        row("clean", "[STARTUP]\nFLD=f\nEXT=e\n", u"FLD=f EXT=e"_s);
        // Longer than any address, and still what the program writes itself.
        const QByteArray longUrl(5 << 20, 'u');
        row("5 MiB address", "[STARTUP]\nURL=" + longUrl + '\n',
            u"URL="_s + QString::fromLatin1(longUrl));
        row("hand-written comma", "[STARTUP]\nFLD=a, b\n", u"FLD=a,b"_s);
        row("UTF-8 with BOM, CR LF", "\xef\xbb\xbf[STARTUP]\r\nFLD=画像\r\n", u"FLD=画像"_s);
        // ソフト in Shift-JIS: the second byte of ソ is a backslash.
        row("Shift-JIS", "[STARTUP]\nFLD=\x83\x5c\x83\x74\x83\x67\n", u"FLD=ソフト"_s, true);
        // 0x85 0x40 is a pair CP932 leaves unassigned; a lenient decoder
        // would put a placeholder there.
        row("lines neither UTF-8 nor Shift-JIS, or with a NUL",
            QByteArray("[STARTUP]\nFLD=\x85\x40x\nPORT=a\0b\nEXT=e\n", 33),
            u"FLD=images PORT=8080 EXT=e"_s, true);
        row("line without =", "[STARTUP]\nFLD\nEXT=e\n", u"FLD=images EXT=e"_s, true);
        row("unclosed section header", "[STARTUP\nFLD=f\n", u"FLD=f"_s, true);
        row("FIFO", "FIFO", u"FLD=images"_s, true);
        row("empty values stay empty", "[STARTUP]\nURL=\nPORT=\n", u"URL= PORT="_s);
        row("flag words, any case", "[STARTUP]\nAUTO=false\nPROXY= tRUE \n",
            u"AUTO=False PROXY=True"_s);
        row("flag 0.4 is not zero, SYNC 1.5 to even", "[STARTUP]\nPROXY=0.4\nSYNC=1.5\n",
            u"PROXY=True SYNC=2"_s);
        row("flag yes and SYNC 3 are the defaults", "[STARTUP]\nAUTO=yes\nPROXY=yes\nSYNC=3\n",
            u"AUTO=True PROXY=False SYNC=1"_s);
        row("left 45000 is 0", "[STARTUP]\nFORM_LEFT=45000\nFORM_TOP=-45000\n",
            u"FORM_LEFT=0 FORM_TOP=-45000"_s);
        row("positions rounded, in 32 bits", "[STARTUP]\nFORM_LEFT=44999.5\nFORM_TOP=3000000000\n",
            u"FORM_LEFT=0 FORM_TOP=0"_s);
    }

    // What start-up loads from a stored file, seen through what the save
    // writes back. Loading leaves the file as it is; one that could not be
    // read cleanly is kept as a backup before the save, never over an older one.
    void storedFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, saved);
        QFETCH(bool, backup);
        const QString file = path(".conf"), kept = file + u".bak.1"_s;
        if (bytes != "FIFO")
            QVERIFY(writeFile(file, bytes));
        else if (!makeFifo(file))
            QSKIP("FIFOs: a Unix row");
        QVERIFY(writeFile(file + u".bak"_s, "older"));
        SettingsStore store(file);
        const StoredSettings loaded = StoredSettings::load(store, m_dir.path());
        // A FIFO or a device is never opened: that would wait, or never end.
        QVERIFY(!QFileInfo(file).isFile() || readAll(file) == bytes);
        loaded.save(store);

        const SettingsStore written(file);
        QStringList values;
        for (const QString &key : saved.split(u' '))
            values << key.section(u'=', 0, 0) + u'='
                    + written.read(key.section(u'=', 0, 0), u"-"_s);
        QCOMPARE(values.join(u' '), saved);
        // Still the older file: a FIFO moved over it must not be opened here either.
        QVERIFY(QFileInfo(file + u".bak"_s).isFile() && readAll(file + u".bak"_s) == "older");
        QCOMPARE(QFileInfo(kept).exists() || QFileInfo(kept).isSymLink(), backup);
        QVERIFY(!backup || !QFileInfo(kept).isFile() || readAll(kept) == bytes);
    }

    // On Windows the settings live in the registry, read and written by the
    // same rules as the file.
    void registryStore()
    {
#ifndef Q_OS_WIN
        QSKIP("the registry: a Windows row");
#else
        const QString key = u"HKEY_CURRENT_USER\\Software\\Seqget tests\\"_s
            + QString::number(QCoreApplication::applicationPid());
        StoredSettings saved = StoredSettings::firstStart(m_dir.path());
        saved.FLD = u"画像"_s;
        saved.FORM_LEFT = -45000;
        {
            SettingsStore store(key, SettingsStore::Format::Registry);
            saved.save(store);
        }
        const SettingsStore again(key, SettingsStore::Format::Registry);
        const StoredSettings loaded = StoredSettings::load(again, m_dir.path());
        QSettings(key, QSettings::NativeFormat).remove(QString());
        QCOMPARE(loaded.FLD + u' ' + QString::number(loaded.FORM_LEFT), u"画像 -45000"_s);
        QCOMPARE(again.read(u"AUTO"_s, u"-"_s), u"True"_s);
#endif
    }

    // Where downloads go when the stored folder is no directory: the
    // program's folder, unless that is missing or a system folder (writable
    // for root, and still no place for downloads), else the download folder.
    void basePathFallback()
    {
        const QDir home(m_dir.filePath(u"home"_s));
        for (const QString &folder : { u"base"_s, u"prog"_s, u"Downloads"_s })
            QVERIFY(home.mkpath(folder));
        QVERIFY(writeFile(home.filePath(u"file"_s), {}));
        QStringList cases = { u"base prog"_s, u"file prog"_s, u"gone noprog"_s };
#ifndef Q_OS_WIN
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(u"config"_s)));
        cases << u"gone /usr/bin"_s;
#endif
        QStringList loaded;
        for (const QString &folders : cases) {
            SettingsStore store(m_dir.filePath(u"fallback.conf"_s));
            store.write(u"PCPATH"_s, home.filePath(folders.section(u' ', 0, 0)));
            const QString program = home.filePath(folders.section(u' ', 1));
            loaded << home.relativeFilePath(StoredSettings::load(store, program).PCPATH);
        }
#ifdef Q_OS_WIN
        // Windows names the user's download folder itself: one that is there,
        // outside this test's.
        QCOMPARE(loaded.mid(0, 2), QStringList({ u"base"_s, u"prog"_s }));
        const QString downloads = QDir::cleanPath(home.filePath(loaded.at(2)));
        QVERIFY2(QFileInfo(downloads).isDir() && !downloads.startsWith(home.path()),
                 qPrintable(downloads));
#else
        QCOMPARE(loaded.join(u' '), u"base prog Downloads Downloads"_s);
#endif
    }

    // Every value the window shows comes back from a save; stored flags take
    // effect before the window is shown; nothing is written or asked until the
    // save. (Each toggle starts from the default, so a wrong default shows.)
    void savedValuesComeBackUnsavedOnesDoNot()
    {
        const QString settings = path(".conf"), restart = path("-restart.conf");
        // The last is longer than a line edit takes by default.
        const QStringList texts
            = { "https://h/ a,b;c=d\\e \"q\"", "画像", " pre ", "@x #y [z] ", "3", "", "120",
                QString(40000, u'x') };
        QTemporaryDir base;
        RecordingPlatform platform(base.filePath(u"Seqget.log"_s));
        DownloadRun run(platform);
        {
            SettingsStore store(settings);
            ScriptedPrompter prompter;
            prompter.answers << u"proxy.local"_s << u"3128"_s;
            const auto opened = openWindow(store, run, &prompter);
            Seqget_FRM &window = *opened;
            QVERIFY(!QFile::exists(settings));
            for (int i = 0; i < texts.size(); ++i)
                boxOf(window, jobFields[i].box)->setText(texts[i]);
            setSync(window, 0);
            window.findChild<DirectoryList *>(u"Dir1"_s)->setPath(base.path());
            for (const char *entry : { "MenuAuto", "MenuProxy", "MenuBeep" })
                window.findChild<QAction *>(QString::fromLatin1(entry))->trigger();
            window.move(82, 41);
            window.findChild<QAction *>(u"MenuSave"_s)->trigger();
            boxOf(window, JobBox::FLD)->setText(u"lost"_s);
            window.findChild<QAction *>(u"MenuLog"_s)->trigger();
            window.close(); // without saving
        }
        for (const QByteArray line : { "FLD=画像", "FORM_LEFT=1230", "AUTO=False", "SYNC=0" })
            QVERIFY2(holdsLine(settings, line), line.constData());
        // A restart reads the file; QSettings would hand this process what it wrote.
        QVERIFY(QFile::copy(settings, restart));
        SettingsStore store(restart);
        ScriptedPrompter prompter;
        const auto opened = openWindow(store, run, &prompter);
        Seqget_FRM &window = *opened;
        QVERIFY(prompter.shown.isEmpty());
        QCOMPARE(shown(window),
                 texts
                     + QStringList({ "0", "1", "000", "00", "11", "00", "11", "proxy.local", "3128",
                                     "82,41" }));
        QCOMPARE(window.settings().PCPATH, QDir::toNativeSeparators(base.path()));
        window.show();
        boxOf(window, JobBox::KETA)->setText(u"4"_s);
        window.findChild<QAction *>(u"MenuEnd"_s)->trigger();
        QVERIFY(!window.isVisible() && holdsLine(restart, "KETA=4"));
    }
};

QTEST_MAIN(TestSettings)
#include "TestSettings.moc"
