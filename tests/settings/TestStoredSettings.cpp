#include "SettingsStore.h"
#include "StoredSettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <limits>

namespace {

// Keeps every key written, in order, besides storing it.
class RecordingStore : public SettingsStore
{
public:
    using SettingsStore::SettingsStore;
    void write(const QString &key, const QString &text) override
    {
        writtenKeys.append(key);
        SettingsStore::write(key, text);
    }
    QStringList writtenKeys;
};

const QStringList tableOrder
    = { QStringLiteral("FORM_LEFT"), QStringLiteral("FORM_TOP"), QStringLiteral("URL"),
        QStringLiteral("FLD"),       QStringLiteral("FNTOP"),    QStringLiteral("EXT"),
        QStringLiteral("KETA"),      QStringLiteral("START"),    QStringLiteral("STOP"),
        QStringLiteral("PCFLD"),     QStringLiteral("SYNC"),     QStringLiteral("PCPATH"),
        QStringLiteral("AUTO"),      QStringLiteral("PROXY"),    QStringLiteral("BEEP"),
        QStringLiteral("LOG"),       QStringLiteral("PROXYIP"),  QStringLiteral("PORT") };

} // namespace

class TestStoredSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void savesInTableOrder();
    void awkwardTextsRoundTrip_data();
    void awkwardTextsRoundTrip();
    void flagConversion_data();
    void flagConversion();
    void syncConversion_data();
    void syncConversion();
    void positionConversion_data();
    void positionConversion();
    void basePathFallback_data();
    void basePathFallback();

private:
    QString storePath() const { return m_dir->filePath(QStringLiteral("Seqget.ini")); }
    QString programFolder() const { return QDir::toNativeSeparators(m_dir->path()); }
    StoredSettings loadWith(const QString &key, const QString &text);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestStoredSettings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

StoredSettings TestStoredSettings::loadWith(const QString &key, const QString &text)
{
    SettingsStore store(storePath());
    store.write(key, text);
    return StoredSettings::load(store, programFolder());
}

void TestStoredSettings::savesInTableOrder()
{
    RecordingStore store(storePath());
    StoredSettings().save(store);
    QCOMPARE(store.writtenKeys, tableOrder);
}

void TestStoredSettings::awkwardTextsRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("comma") << QStringLiteral("a,b, c");
    QTest::newRow("quotes") << QStringLiteral("\"quoted\" and 'single'");
    QTest::newRow("lone quote") << QStringLiteral("\"");
    QTest::newRow("semicolon") << QStringLiteral("a;b");
    QTest::newRow("equals") << QStringLiteral("k=v");
    QTest::newRow("backslashes") << QStringLiteral("C:\\dl\\x\\");
    QTest::newRow("escape-like") << QStringLiteral("\\x41 \\n %41");
    QTest::newRow("blanks around") << QStringLiteral("  padded  ");
    QTest::newRow("only blanks") << QStringLiteral("   ");
    QTest::newRow("tab") << QStringLiteral("a\tb");
    QTest::newRow("Japanese") << QStringLiteral("ダウンロード／花");
    QTest::newRow("empty") << QString();
    QTest::newRow("at sign") << QStringLiteral("@Invalid()");
    QTest::newRow("section-like") << QStringLiteral("[STARTUP]");
    QTest::newRow("comment-like") << QStringLiteral("#x ;y");
}

// All ten text keys hold the text exactly, empty included, and an empty text
// does not fall back to the default.
void TestStoredSettings::awkwardTextsRoundTrip()
{
    QFETCH(QString, text);
    StoredSettings saved;
    saved.URL = saved.FLD = saved.FNTOP = saved.EXT = saved.KETA = saved.START = saved.STOP
        = saved.PCFLD = saved.PROXYIP = saved.PORT = text;
    {
        SettingsStore store(storePath());
        saved.save(store);
    }
    SettingsStore store(storePath());
    QVERIFY(!store.isDamaged());
    const StoredSettings s = StoredSettings::load(store, programFolder());
    for (const QString &value :
         { s.URL, s.FLD, s.FNTOP, s.EXT, s.KETA, s.START, s.STOP, s.PCFLD, s.PROXYIP, s.PORT }) {
        QCOMPARE(value, text);
        QCOMPARE(value.isEmpty(), text.isEmpty());
    }
}

void TestStoredSettings::flagConversion_data()
{
    // Missing "expected" means the key's own default.
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<bool>>("expected");
    QTest::newRow("True") << QStringLiteral("True") << std::optional<bool>(true);
    QTest::newRow("False") << QStringLiteral("False") << std::optional<bool>(false);
    QTest::newRow("true") << QStringLiteral("true") << std::optional<bool>(true);
    QTest::newRow("FALSE") << QStringLiteral("FALSE") << std::optional<bool>(false);
    QTest::newRow("blanks around") << QStringLiteral(" tRUE ") << std::optional<bool>(true);
    QTest::newRow("0") << QStringLiteral("0") << std::optional<bool>(false);
    QTest::newRow("-1") << QStringLiteral("-1") << std::optional<bool>(true);
    QTest::newRow("2") << QStringLiteral("2") << std::optional<bool>(true);
    QTest::newRow("0.0") << QStringLiteral("0.0") << std::optional<bool>(false);
    QTest::newRow("0.4") << QStringLiteral("0.4") << std::optional<bool>(true);
    QTest::newRow("&H0") << QStringLiteral("&H0") << std::optional<bool>(false);
    QTest::newRow("yes") << QStringLiteral("yes") << std::optional<bool>();
    QTest::newRow("Truely") << QStringLiteral("Truely") << std::optional<bool>();
    QTest::newRow("1abc") << QStringLiteral("1abc") << std::optional<bool>();
    QTest::newRow("0abc") << QStringLiteral("0abc") << std::optional<bool>();
    QTest::newRow("empty") << QString() << std::optional<bool>();
}

// The same text in each of the four flags; where it does not convert, AUTO,
// BEEP and LOG keep true and PROXY false, their defaults.
void TestStoredSettings::flagConversion()
{
    QFETCH(QString, text);
    QFETCH(std::optional<bool>, expected);
    SettingsStore store(storePath());
    for (const char *key : { "AUTO", "PROXY", "BEEP", "LOG" })
        store.write(QString::fromLatin1(key), text);
    const StoredSettings s = StoredSettings::load(store, programFolder());
    QCOMPARE(s.AUTO, expected.value_or(true));
    QCOMPARE(s.PROXY, expected.value_or(false));
    QCOMPARE(s.BEEP, expected.value_or(true));
    QCOMPARE(s.LOG, expected.value_or(true));
}

void TestStoredSettings::syncConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("2") << QStringLiteral("2") << 2;
    QTest::newRow("1.5 to even") << QStringLiteral("1.5") << 2;
    QTest::newRow("2.5 to even") << QStringLiteral("2.5") << 2;
    QTest::newRow("0.5 to even") << QStringLiteral("0.5") << 0;
    QTest::newRow("-0.4") << QStringLiteral("-0.4") << 0;
    QTest::newRow("blanks") << QStringLiteral(" 0 ") << 0;
    QTest::newRow("7") << QStringLiteral("7") << 1;
    QTest::newRow("2.6") << QStringLiteral("2.6") << 1;
    QTest::newRow("-1") << QStringLiteral("-1") << 1;
    QTest::newRow("40000") << QStringLiteral("40000") << 1;
    QTest::newRow("x") << QStringLiteral("x") << 1;
    QTest::newRow("0abc") << QStringLiteral("0abc") << 1;
    QTest::newRow("empty") << QString() << 1;
}

void TestStoredSettings::syncConversion()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QCOMPARE(loadWith(QStringLiteral("SYNC"), text).SYNC, qint16(expected));
}

void TestStoredSettings::positionConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("expected");
    QTest::newRow("45000") << QStringLiteral("45000") << 0;
    QTest::newRow("44985") << QStringLiteral("44985") << 44985;
    QTest::newRow("-45000") << QStringLiteral("-45000") << -45000;
    QTest::newRow("45000.0") << QStringLiteral("45000.0") << 0;
    QTest::newRow("44999.5 rounds to 45000") << QStringLiteral("44999.5") << 0;
    QTest::newRow("1230.5 to even") << QStringLiteral("1230.5") << 1230;
    QTest::newRow("1e3") << QStringLiteral("1e3") << 1000;
    QTest::newRow("&H10") << QStringLiteral("&H10") << 16;
    QTest::newRow("lowest") << QStringLiteral("-2147483648") << std::numeric_limits<qint32>::min();
    QTest::newRow("highest") << QStringLiteral("2147483647") << std::numeric_limits<qint32>::max();
    QTest::newRow("3000000000") << QStringLiteral("3000000000") << 0;
    QTest::newRow("-2147483649") << QStringLiteral("-2147483649") << 0;
    QTest::newRow("x") << QStringLiteral("x") << 0;
    QTest::newRow("12abc") << QStringLiteral("12abc") << 0;
    QTest::newRow("empty") << QString() << 0;
}

void TestStoredSettings::positionConversion()
{
    QFETCH(QString, text);
    QFETCH(qint32, expected);
    QCOMPARE(loadWith(QStringLiteral("FORM_LEFT"), text).FORM_LEFT, expected);
    QCOMPARE(loadWith(QStringLiteral("FORM_TOP"), text).FORM_TOP, expected);
}

void TestStoredSettings::basePathFallback_data()
{
    // Paths relative to a scratch home; "<empty>" stands for the empty text.
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("program");
    QTest::addColumn<bool>("downloadsExists");
    QTest::addColumn<QString>("expected");
    QTest::newRow("stored exists") << "base"
                                   << "prog" << true << "base";
    QTest::newRow("stored gone") << "gone"
                                 << "prog" << true << "prog";
    QTest::newRow("stored empty") << "<empty>"
                                  << "prog" << true << "prog";
    QTest::newRow("stored is a file") << "file"
                                      << "prog" << true << "prog";
    QTest::newRow("no program folder") << "gone"
                                       << "noprog" << true << "Downloads";
    QTest::newRow("no downloads either") << "gone"
                                         << "noprog" << false << "";
}

void TestStoredSettings::basePathFallback()
{
    QFETCH(QString, stored);
    QFETCH(QString, program);
    QFETCH(bool, downloadsExists);
    QFETCH(QString, expected);
#ifndef Q_OS_LINUX
    QSKIP("the download folder is placed through XDG variables");
#endif
    // The download folder is found through HOME and the XDG configuration.
    const QString home = m_dir->filePath(QStringLiteral("home"));
    QDir root(m_dir->path());
    QVERIFY(root.mkpath(QStringLiteral("home/base")));
    QVERIFY(root.mkpath(QStringLiteral("home/prog")));
    if (downloadsExists)
        QVERIFY(root.mkpath(QStringLiteral("home/Downloads")));
    QFile file(home + QStringLiteral("/file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QByteArray oldHome = qgetenv("HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(home));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home + QStringLiteral("/config")));

    SettingsStore store(storePath());
    store.write(QStringLiteral("PCPATH"),
                stored == QStringLiteral("<empty>") ? QString() : home + u'/' + stored);
    const QString loaded = StoredSettings::load(store, home + u'/' + program).PCPATH;

    qputenv("HOME", oldHome);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    QCOMPARE(QDir::cleanPath(loaded), QDir::cleanPath(home + u'/' + expected));
}

QTEST_GUILESS_MAIN(TestStoredSettings)
#include "TestStoredSettings.moc"
