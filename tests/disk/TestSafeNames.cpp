#include "disk/SafeNames.h"
#include "disk/UserFolders.h"
#include "support/Rows.h"

#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(PathStyle)

// Where the program may write: the names it puts into a folder, and the
// folders it fills with its own files.
class TestSafeNames : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void names_data()
    {
        // unix: a plain path component with Unix paths
        // windows: and with Windows paths
        columns<QString, bool, bool>({ "name", "unix", "windows" });
        const auto row = [](const char *name, bool unix, bool windows) {
            QTest::newRow(name) << QString::fromUtf8(name) << unix << windows;
        };
        // clang-format off
        row("画像001.jpg", true, true);
        row("COM10.jpg", true, true); // two digits make no port, and a longer stem no device
        row("CONSOLE.jpg", true, true);
        row(".hidden", true, true);
        row("..", false, false);
        row("a/b", false, false);
        row("a\\b", true, false);
        for (const char *refused : { "con.txt", "COM1.jpg", "lpt9", "NUL .jpg", "Aux", "prn.tar.gz", "a:b.jpg", "a?.jpg", "a*", "a<b", "a>b", "a|b", "a\"b", "a\tb", "hana03.", "hana03 " })
            row(refused, true, false);
        // clang-format on
        QTest::newRow("NUL character") << QString(u'a') + QChar(0) << false << false;
    }

    void names()
    {
        QFETCH(QString, name);
        QTEST(isPlainPathComponent(name, false, PathStyle::Unix), "unix");
        QTEST(isPlainPathComponent(name, false, PathStyle::Windows), "windows");
    }

    // The empty name stands for the folder itself, where that is meant.
    void emptyName()
    {
        QVERIFY(isPlainPathComponent({}, true, PathStyle::Unix));
        QVERIFY(!isPlainPathComponent({}, false, PathStyle::Windows));
    }

    void systemFolders_data()
    {
        columns<QString, PathStyle, bool>({ "path", "style", "system" });
        // clang-format off
        for (const char *system : { "/usr", "/usr/bin", "/bin", "/sbin/x", "/lib", "/opt/app", "/etc", "/snap/x/1" })
            QTest::newRow(system) << QString::fromLatin1(system) << PathStyle::Unix << true;
        for (const char *user : { "/", "/home/ann", "/usrx", "/optical", "/media/usr", "/tmp" })
            QTest::newRow(user) << QString::fromLatin1(user) << PathStyle::Unix << false;
        QTest::newRow("Windows paths: the access list decides") << QStringLiteral("/usr/bin") << PathStyle::Windows << false;
        // clang-format on
    }

    void systemFolders()
    {
        const auto [path, style] = fetch<QString, PathStyle>("path", "style");
        QTEST(isSystemFolder(path, style), "system");
    }

    // Root may write to /usr/bin, and must not fill it either.
    void writableUserFolders()
    {
        QTemporaryDir dir;
        QVERIFY(isWritableUserFolder(dir.path()));
        QVERIFY(!isWritableUserFolder(dir.filePath(QStringLiteral("gone"))));
        QVERIFY(!isWritableUserFolder({}));
        QVERIFY(Platform::pathStyle() == PathStyle::Windows
                || !isWritableUserFolder(QStringLiteral("/usr/bin")));
    }
};

QTEST_APPLESS_MAIN(TestSafeNames)
#include "TestSafeNames.moc"
