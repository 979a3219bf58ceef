#include "disk/SafeNames.h"
#include "disk/UserFolders.h"
#include "support/Rows.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(PathStyle)

// Where the program may write: the names it puts into a folder, and the
// folders it fills with its own files.
class TestSafeNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        // clang-format off
        // unix, windows: whether the name, as stored with such paths, may be
        // written; stored: what Windows stores it as
        dataTable<QString, bool, bool, QString>({ "name", "unix", "windows", "stored" });
        const auto row = [](const char *name, bool unix, bool windows, const char *stored = nullptr) {
            QTest::newRow(name) << QString::fromUtf8(name) << unix << windows << QString::fromUtf8(stored ? stored : name);
        };
        row("画像001.jpg", true, true);
        // Two digits make no port, and a longer stem no device.
        row("COM10.jpg", true, true);
        row("CONSOLE.jpg", true, true);
        row(".hidden", true, true);
        row("hana03.", true, true, "hana03");
        row("hana03 . ", true, true, "hana03");
        row("...", true, false, "");
        row("CON.", true, false, "CON");
        row("..", false, false, "");
        row("a/b", false, false);
        row("a\\b", true, false);
        for (const char *refused : { "con.txt", "COM0.jpg", "COM1.jpg", "lpt9", "LPT0", "COM\u00b9.jpg", "lpt\u00b3", "CONIN$", "conout$.txt", "NUL .jpg", "Aux", "prn.tar.gz", "a:b.jpg", "a?.jpg", "a*", "a<b", "a>b", "a|b", "a\"b", "a\tb" }) row(refused, true, false);
        QTest::newRow("NUL character") << QString(u'a') + QChar(0) << false << false << QString(u'a') + QChar(0);
        // clang-format on
    }

    void names()
    {
        QFETCH(QString, name);
        QCOMPARE(storedName(name, PathStyle::Unix), name);
        QTEST(isPlainPathComponent(name, false, PathStyle::Unix), "unix");
        QTEST(storedName(name, PathStyle::Windows), "stored");
        QTEST(isPlainPathComponent(storedName(name, PathStyle::Windows), false, PathStyle::Windows),
              "windows");
    }

    void folders_data()
    {
        // clang-format off
        dataTable<QString, PathStyle, std::optional<QStringList>>({ "text", "style", "steps" });
        const PathStyle unix = PathStyle::Unix, win = PathStyle::Windows;
        QTest::newRow("the base directory itself") << "" << unix << std::optional(QStringList());
        QTest::newRow("one folder") << "images" << win << std::optional(QStringList { "images" });
        QTest::newRow("nested") << "2024/spring" << unix << std::optional(QStringList { "2024", "spring" });
        QTest::newRow("nested, Windows' way") << "2024\\spring" << win << std::optional(QStringList { "2024", "spring" });
        QTest::newRow("a backslash is a name's with Unix paths") << "2024\\spring" << unix << std::optional(QStringList { "2024\\spring" });
        for (const char *refused : { "..", "a/../b", "/etc", "a//b", "a/", "C:/x", "a/con", "a./b", "a /b" }) QTest::newRow(refused) << QString::fromUtf8(refused) << win << std::optional<QStringList>();
        QTest::newRow("a root with Unix paths") << "/etc" << unix << std::optional<QStringList>();
        // clang-format on
    }

    // A folder box may name nested plain folders below the base directory,
    // and nothing else.
    void folders()
    {
        const auto [text, style] = fetch<QString, PathStyle>("text", "style");
        QTEST(folderSteps(text, style), "steps");
    }

    void systemFolders_data()
    {
        // clang-format off
        dataTable<QString, PathStyle, bool>({ "path", "style", "system" });
        for (const char *system : { "/usr", "/usr/bin", "/usr/", "/opt/app/x" }) QTest::newRow(system) << QString::fromLatin1(system) << PathStyle::Unix << true;
        for (const char *user : { "/", "/home/ann", "/usrx", "/optical", "/media/usr", "/USR" }) QTest::newRow(user) << QString::fromLatin1(user) << PathStyle::Unix << false;
        for (const char *system : { "C:\\Program Files\\Seqget", "c:/program files", "C:\\Users\\ann\\AppData\\Local\\Programs\\Seqget" }) QTest::newRow(system) << QString::fromLatin1(system) << PathStyle::Windows << true;
        for (const char *user : { "C:\\Program Files (x86)", "C:\\Users\\ann\\Downloads", "D:\\Program Files" }) QTest::newRow(user) << QString::fromLatin1(user) << PathStyle::Windows << false;
        // clang-format on
    }

    // The folders programs are installed in, and what lies below them, by
    // whole names.
    void systemFolders()
    {
        const auto [path, style] = fetch<QString, PathStyle>("path", "style");
        const QStringList programs = style == PathStyle::Unix
            ? QStringList { u"/usr"_s, u"/opt"_s }
            : QStringList { u"C:\\Program Files"_s,
                            u"C:\\Users\\ann\\AppData\\Local\\Programs\\"_s };
        QTEST(isSystemFolder(path, programs, style), "system");
    }
};

QTEST_APPLESS_MAIN(TestSafeNames)
#include "TestSafeNames.moc"
