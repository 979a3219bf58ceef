#include "platform/PathStyle.h"
#include "settings/SettingsConversions.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "support/DataRows.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

// How a settings file is put in place: as bytes, as a FIFO, or as the bytes
// followed by zeros up to 1 GiB, far more than the program ever writes.
enum Made { Bytes, Fifo, Huge };

class TestSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // A path of its own for each file: QSettings keeps what it parsed of a path.
    QString newFile() { return m_dir.filePath(QString::number(++m_files) + ".conf"); }

    // What a fresh store reads of key after the settings were loaded from
    // file and saved back into it.
    QString resaved(const QString &file, const QString &key)
    {
        SettingsStore store(file);
        StoredSettings::load(store, m_dir.path()).save(store);
        return SettingsStore(file).read(key, QStringLiteral("-"));
    }

private Q_SLOTS:
    // Stored text as a flag, a folder-sync value and a window edge.
    void conversions_data()
    {
        const QVariant no;
        const auto row = dataTable<QString, QVariant, QVariant, QVariant>(
            { "text", "flag", "sync", "position" });
        row("True", "True", true, no, no);
        row("false in lower case", "false", false, no, no);
        row("TRUE with blanks", " tRUE ", true, no, no);
        row("yes", "yes", no, no, no);
        row("0", "0", false, 0, 0);
        row("2, the dimmed box", "2", true, 2, 2);
        row("3", "3", true, no, 3);
        row("-1, as True was stored", "-1", true, no, -1);
        row("0.4 is not zero", "0.4", true, 0, 0);
        row("1.5 to even", "1.5", true, 2, 2);
        row("text after the number", "1abc", no, no, no);
        row("45000 is 0", "45000", true, no, 0);
        row("44999.5 rounds to 45000", "44999.5", true, no, 0);
        row("beyond 32 bits", "2147483648", true, no, no);
    }

    void conversions()
    {
        const QString text = cell<QString>("text");
        QTEST(optionalColumn(readFlag(text)), "flag");
        QTEST(optionalColumn(readSync(text)), "sync");
        QTEST(optionalColumn(readPosition(text)), "position");
    }

    // The window's edge in twips as it is stored, and as the window takes the
    // stored value back.
    void positions_data()
    {
        const auto row = dataTable<double, int, double>({ "twips", "stored", "applied" });
        row("half to even", 1230.5, 1230, 1230);
        row("single precision", 16777217, 16777216, 16777216);
        row("beyond 32 bits", -3e9, -2147483647 - 1, -2147483648.0);
        row("not a number", qQNaN(), 0, 0);
    }

    void positions()
    {
        const qint32 stored = storedPosition(cell<double>("twips"));
        QTEST(stored, "stored");
        QTEST(appliedPosition(stored), "applied");
    }

    // Each key as the save writes it back after loading a file that holds it,
    // and by default: loaded from a file without it, and on a first start.
    void keys_data()
    {
        const QString dir = m_dir.path(), home = QDir::homePath();
        const QString url = StoredSettings::firstStart(dir).URL;
        const auto row = dataTable<QString, QString, QString, QString>(
            { "key", "stored", "written", "default" });
        row("FORM_LEFT", "FORM_LEFT", "1230", "1230", "0");
        row("FORM_TOP", "FORM_TOP", "-45000", "-45000", "0");
        row("URL", "URL", "http://h/a/", "http://h/a/", url);
        row("FLD", "FLD", "画像", "画像", "images");
        row("FNTOP", "FNTOP", "\" pre \"", " pre ", "hana");
        row("EXT", "EXT", "*", "*", "jpg");
        row("KETA", "KETA", "3.5", "3.5", "1");
        row("START", "START", "+5", "+5", "1");
        row("STOP", "STOP", "120", "120", "8");
        row("PCFLD", "PCFLD", "a=b", "a=b", "");
        row("SYNC", "SYNC", "0", "0", "1");
        row("SYNC 3 takes the default", "SYNC", "3", "1", "1");
        row("PCPATH", "PCPATH", home, home, dir);
        row("PCPATH gone", "PCPATH", dir + "/gone", dir, dir);
        row("PCPATH a file", "PCPATH", QCoreApplication::applicationFilePath(), dir, dir);
        row("AUTO", "AUTO", "False", "False", "True");
        row("AUTO yes takes the default", "AUTO", "yes", "True", "True");
        row("PROXY", "PROXY", "-1", "True", "False");
        row("BEEP", "BEEP", "0", "False", "True");
        row("LOG", "LOG", "false", "False", "True");
        row("PROXYIP", "PROXYIP", "proxy.local", "proxy.local", "127.0.0.1");
        row("PORT", "PORT", "3128", "3128", "8080");
        row("empty PORT stays empty", "PORT", "", "", "8080");
    }

    void keys()
    {
        const QString key = cell<QString>("key"), file = newFile(), first = newFile();
        QVERIFY(writeFile(file, "[STARTUP]\n" + (key + '=' + cell<QString>("stored")).toUtf8()));
        QTEST(resaved(file, key), "written");
        QTEST(resaved(newFile(), key), "default");
        SettingsStore store(first);
        StoredSettings::firstStart(m_dir.path()).save(store);
        QTEST(SettingsStore(first).read(key, QStringLiteral("-")), "default");
    }

    // What a settings file gives the folder name FLD, through load and save;
    // whether the file is kept as a backup before the save replaces it.
    void files_data()
    {
        const auto row
            = dataTable<QByteArray, int, QString, bool>({ "bytes", "made", "FLD", "backup" });
        row("UTF-8 with BOM and CR LF", "\xef\xbb\xbf[STARTUP]\r\nFLD=画像\r\n", Bytes, "画像",
            false);
        // ソフト: the second byte of ソ is a backslash.
        row("Shift-JIS", "[STARTUP]\nFLD=\x83\x5c\x83\x74\x83\x67\n", Bytes, "ソフト", true);
        // A pair CP932 leaves unassigned: a lenient decoder would put a placeholder there.
        row("neither UTF-8 nor CP932", "[STARTUP]\nFLD=\x85\x40x\n", Bytes, "images", true);
        row("NUL", QByteArray("[STARTUP]\nFLD=a\0b\n", 18), Bytes, "images", true);
        row("a line without =", "[STARTUP]\nEXT\nFLD=f\n", Bytes, "f", true);
        row("unclosed section", "[STARTUP\nFLD=f\n", Bytes, "f", true);
        row("another section", "[OTHER]\nFLD=f\n", Bytes, "images", false);
        row("comma", "[STARTUP]\nFLD=a, b\n", Bytes, "a,b", false);
        row("5 MiB", "[STARTUP]\nFLD=" + QByteArray(5 << 20, 'u'), Bytes, QString(5 << 20, 'u'),
            false);
        row("FIFO", "", Fifo, "images", true);
        row("larger than the program writes", "[STARTUP]\nFLD=f\n", Huge, "images", true);
    }

    // Reading leaves the file as it is; a file not read cleanly is kept once,
    // before the first save, and never over an older backup.
    void files()
    {
        const QString file = newFile(), kept = file + ".bak.1";
        QVERIFY(writeFile(file + ".bak", "older"));
        if (cell<int>("made") == Fifo && !makeFifo(file))
            QSKIP("FIFOs: a Unix row");
        QVERIFY(cell<int>("made") == Fifo || writeFile(file, cell<QByteArray>("bytes")));
        QVERIFY(cell<int>("made") != Huge || QFile::resize(file, 1 << 30));
        const qint64 size = QFileInfo(file).size();
        SettingsStore store(file);
        const StoredSettings loaded = StoredSettings::load(store, m_dir.path());
        QCOMPARE(QFileInfo(file).size(), size);
        loaded.save(store);
        loaded.save(store);
        QTEST(SettingsStore(file).read(QStringLiteral("FLD"), QStringLiteral("-")), "FLD");
        QCOMPARE(readAll(file + ".bak"), "older");
        QTEST(QFileInfo(kept).exists(), "backup");
        QCOMPARE(QFileInfo(kept).size(), cell<bool>("backup") ? size : 0);
        QVERIFY(!QFileInfo::exists(file + ".bak.2"));
    }

    // Where downloads go by default: the program's folder where the user may
    // write, else the download folder, else home.
    void defaultBase_data()
    {
        const auto row = dataTable<QString, bool, QString>({ "program", "downloads", "base" });
        row("program folder", "prog", true, "prog");
        row("no program folder", "gone", true, "Downloads");
        row("nor a download folder", "gone", false, ".");
    }

    void defaultBase()
    {
        if (Platform::pathStyle() == PathStyle::Windows)
            QSKIP("Windows names the user's folders itself");
        const QDir home(m_dir.filePath("home"));
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        QVERIFY(home.mkpath("prog") && QDir(home.filePath("Downloads")).removeRecursively());
        QVERIFY(!cell<bool>("downloads") || home.mkpath("Downloads"));
        const QString program = home.filePath(cell<QString>("program"));
        QTEST(home.relativeFilePath(StoredSettings::defaultBaseDirectory(program)), "base");
    }

    // On Windows the settings live in the registry, read and written by the
    // same rules as the file.
    void registry()
    {
        if (Platform::pathStyle() != PathStyle::Windows)
            QSKIP("the registry: a Windows row");
        const QString key
            = "HKEY_CURRENT_USER\\Software\\Seqget tests\\" + m_dir.path().section('/', -1);
        StoredSettings saved = StoredSettings::firstStart(m_dir.path());
        saved.FLD = QStringLiteral("画像");
        saved.AUTO = false;
        SettingsStore store(key, SettingsStore::Format::Registry);
        saved.save(store);
        const StoredSettings loaded = StoredSettings::load(
            SettingsStore(key, SettingsStore::Format::Registry), m_dir.path());
        QSettings(key, QSettings::NativeFormat).remove(QString());
        QVERIFY(MainState(loaded) == MainState(saved));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
