#include "platform/ExtendedPath.h"

#include <QTest>

// What Windows' file functions are handed, so that a folder deeper than 260
// characters works as a short one does.
class TestExtendedPath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forms_data()
    {
        // clang-format off
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extended");
        const QString deep = QStringLiteral("C:\\") + QString(300, u'x') + QStringLiteral("\\hana001.jpg");
        QTest::newRow("a drive's path") << "C:\\Users\\ann\\a.jpg" << "\\\\?\\C:\\Users\\ann\\a.jpg";
        QTest::newRow("slashes as Qt writes them") << "c:/Users/ann/a.jpg" << "\\\\?\\c:\\Users\\ann\\a.jpg";
        QTest::newRow("deeper than 260 characters") << deep << QStringLiteral("\\\\?\\") + deep;
        QTest::newRow("dot steps resolved, none above the root") << "C:\\a\\.\\..\\..\\b\\" << "\\\\?\\C:\\b";
        QTest::newRow("a drive's root") << "D:" << "\\\\?\\D:\\";
        QTest::newRow("a share") << "\\\\server\\share\\dir\\a.jpg" << "\\\\?\\UNC\\server\\share\\dir\\a.jpg";
        QTest::newRow("a share, the share itself above every step") << "//server/share/../a.jpg" << "\\\\?\\UNC\\server\\share\\a.jpg";
        QTest::newRow("extended already") << "\\\\?\\C:\\a.jpg" << "\\\\?\\C:\\a.jpg";
        QTest::newRow("a device") << "\\\\.\\COM1" << "\\\\.\\COM1";
        for (const char *relative : { "a\\b.jpg", "\\a.jpg", "C:a.jpg", "\\\\server", "\\\\\\share\\a", "", "1:\\a" }) QTest::newRow(relative) << QString::fromUtf8(relative) << QString();
        // clang-format on
    }

    void forms()
    {
        QFETCH(QString, path);
        QTEST(extendedLengthPath(path), "extended");
    }
};

QTEST_APPLESS_MAIN(TestExtendedPath)
#include "TestExtendedPath.moc"
