#include "platform/PathStyle.h"
#include "settings/SettingsConversions.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "support/Rows.h"
#include "support/TestFiles.h"

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
    // file, or taken as on a first start, and saved into it twice. Between
    // the two the window holds the left edge, as a single-precision number.
    QString resaved(const QString &file, const QString &key, bool firstStart = false)
    {
        SettingsStore store(file);
        const QString dir = m_dir.path();
        auto settings
            = firstStart ? StoredSettings::firstStart(dir) : StoredSettings::load(store, dir);
        settings.FORM_LEFT = storedPosition(appliedPosition(settings.FORM_LEFT));
        settings.save(store);
        settings.save(store);
        return SettingsStore(file).read(key, QStringLiteral("-"));
    }

private Q_SLOTS:
    // A settings file as start-up loads it and the save writes it back: what
    // a fresh store then reads of one key, and what it reads of that key by
    // default (loaded from an empty file, and on a first start). A file not
    // read cleanly is kept once, before the first save, and never over an
    // older backup.
    void store_data()
    {
        // clang-format off
        const auto row = dataTable<QByteArray, int, QString, QString, QString, bool>({ "bytes", "made", "key", "written", "default", "backup" });
        // A file that holds one key.
        const auto key = [&](const char *name, const QString &k, const QString &stored, const QString &written, const QString &first) {
            row(name, "[STARTUP]\n" + (k + '=' + stored).toUtf8(), Bytes, k, written, first, false);
        };
        // The default address is the program's own choice; the rows say only
        // that an absent one takes it.
        const QString dir = QDir::toNativeSeparators(m_dir.path()), url = StoredSettings::firstStart(dir).URL;
        key("FORM_LEFT", "FORM_LEFT", "1230", "1230", "0");
        key("FORM_LEFT 45000 is 0", "FORM_LEFT", "45000", "0", "0");
        key("FORM_LEFT beyond single precision", "FORM_LEFT", "16777217", "16777216", "0");
        key("FORM_TOP", "FORM_TOP", "-45000", "-45000", "0");
        key("empty URL stays empty", "URL", "", "", url);
        key("FLD", "FLD", "画像", "画像", "images");
        key("FNTOP", "FNTOP", "\" a, b \"", " a, b ", "hana");
        key("EXT", "EXT", "*", "*", "jpg");
        key("KETA", "KETA", "3.5", "3.5", "1");
        key("START", "START", "+5", "+5", "1");
        key("STOP", "STOP", "120", "120", "8");
        key("PCFLD", "PCFLD", "a=b", "a=b", "");
        key("SYNC", "SYNC", "0", "0", "1");
        key("SYNC 2, the dimmed box", "SYNC", "2", "2", "1");
        key("SYNC 3 takes the default", "SYNC", "3", "1", "1");
        key("PCPATH", "PCPATH", QDir::tempPath(), QDir::tempPath(), dir);
        key("PCPATH gone", "PCPATH", dir + "/gone", dir, dir);
        key("AUTO", "AUTO", "False", "False", "True");
        key("AUTO yes takes the default", "AUTO", "yes", "True", "True");
        key("PROXY -1, as True once was", "PROXY", "-1", "True", "False");
        key("PROXY 1abc takes the default", "PROXY", "1abc", "False", "False");
        key("BEEP", "BEEP", "0", "False", "True");
        key("LOG in any case", "LOG", " fAlSe ", "False", "True");
        key("PROXYIP", "PROXYIP", "proxy.local", "proxy.local", "127.0.0.1");
        key("PORT", "PORT", "3128", "3128", "8080");
        const QString f = QStringLiteral("FLD"), images = QStringLiteral("images");
        row("BOM, CR LF", "\xef\xbb\xbf[STARTUP]\r\nFLD=画像\r\n", Bytes, f, "画像", images, false);
        // ソフト: the second byte of ソ is a backslash.
        row("CP932", "[STARTUP]\nFLD=\x83\x5c\x83\x74\x83\x67", Bytes, f, "ソフト", images, true);
        // A pair CP932 leaves unassigned: a lenient decoder would put a placeholder there.
        row("neither UTF-8 nor CP932", "[STARTUP]\nFLD=\x85\x40", Bytes, f, images, images, true);
        row("other keys kept", "[STARTUP]\nOLD=x\nFLD=\x85\x40", Bytes, "OLD", "x", "-", true);
        row("NUL", QByteArray("[STARTUP]\nFLD=a\0b\n", 18), Bytes, f, images, images, true);
        row("a line without =", "[STARTUP]\nEXT\nFLD=f\n", Bytes, f, "f", images, true);
        row("unclosed section", "[STARTUP\nFLD=f\n", Bytes, f, "f", images, true);
        row("comma", "[STARTUP]\nFLD=a, b\n", Bytes, f, "a,b", images, false);
        const QByteArray u(5 << 20, 'u');
        row("5 MiB", "[STARTUP]\nFLD=" + u, Bytes, f, u, images, false);
        row("FIFO", "", Fifo, f, images, images, true);
        row("larger than the program writes", "[STARTUP]\nFLD=f\n", Huge, f, images, images, true);
        // clang-format on
    }

    void store()
    {
        const QString file = newFile(), key = cell<QString>("key");
        QVERIFY(writeFile(file + ".bak", "older"));
        if (cell<int>("made") == Fifo && !makeFifo(file))
            QSKIP("FIFOs: a Unix row");
        QVERIFY(cell<int>("made") == Fifo || writeFile(file, cell<QByteArray>("bytes")));
        QVERIFY(cell<int>("made") != Huge || QFile::resize(file, 1 << 30));
        QTEST(resaved(file, key), "written");
        QTEST(QFileInfo::exists(file + ".bak.1"), "backup");
        QVERIFY(!QFileInfo::exists(file + ".bak.2"));
        QTEST(resaved(newFile(), key), "default");
        QTEST(resaved(newFile(), key, true), "default");
    }

    // The window's edge in twips as the save stores it.
    void positions_data()
    {
        const auto row = dataTable<double, int>({ "twips", "stored" });
        row("half to even", 1230.5, 1230);
        row("beyond 32 bits", -3e9, -2147483647 - 1);
    }

    void positions() { QTEST(storedPosition(cell<double>("twips")), "stored"); }

    // Where downloads go when the program's folder is no place for them (a
    // system folder, or gone): the download folder, else home. (A program
    // folder the user may write is the default of the rows above.)
    void defaultBase_data()
    {
        const auto row = dataTable<QString, bool, QString>({ "program", "downloads", "base" });
        row("installed in /usr/bin", "/usr/bin", true, "Downloads");
        row("no download folder", m_dir.filePath("gone"), false, ".");
    }

    void defaultBase()
    {
        if (Platform::pathStyle() == PathStyle::Windows)
            QSKIP("Windows names the user's folders itself");
        const QDir home(m_dir.filePath("home"));
        qputenv("HOME", QFile::encodeName(home.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath("config")));
        QDir(home.filePath("Downloads")).removeRecursively();
        QVERIFY(!cell<bool>("downloads") || home.mkpath("Downloads"));
        QTEST(home.relativeFilePath(StoredSettings::defaultBaseDirectory(cell<QString>("program"))),
              "base");
    }

    // On Windows the settings live in the registry, read and written by the
    // same rules as the file.
    void registry()
    {
        if (Platform::pathStyle() != PathStyle::Windows)
            QSKIP("the registry: a Windows row");
        const QString key = QStringLiteral("HKEY_CURRENT_USER\\Software\\Seqget tests");
        StoredSettings saved = StoredSettings::firstStart(m_dir.path());
        saved.FLD = QStringLiteral("画像");
        saved.save(*std::make_unique<SettingsStore>(key, SettingsStore::Format::Registry));
        const SettingsStore again(key, SettingsStore::Format::Registry);
        QSettings(key, QSettings::NativeFormat).remove(QString());
        QVERIFY(MainState(StoredSettings::load(again, m_dir.path())) == MainState(saved));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "TestSettings.moc"
