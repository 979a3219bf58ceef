#include "platform/ExtendedPath.h"
#include "platform/ReplaceOutcome.h"
#include "support/Rows.h"

#include <QTest>

// Rules of Windows that its own file functions need, apart from them so that
// they run on every platform: Wine shows neither a 260-character limit nor
// every way a held file is reported.
class TestWindowsRules : public QObject
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

    // What Windows' file functions are handed, so that a folder deeper than
    // 260 characters works as a short one does.
    void forms()
    {
        QFETCH(QString, path);
        QTEST(extendedLengthPath(path), "extended");
    }

    void replaceErrors_data()
    {
        using namespace Platform::Win32Error;
        using Platform::ReplaceError;
        // clang-format off
        const auto row = dataTable<std::uint32_t, std::uint32_t, ReplaceError>({ "move", "deleteOpen", "outcome" });
        row("another volume", NotSameDevice, None, ReplaceError::OtherVolume);
        row("held, deletion shared", SharingViolation, SharingViolation, ReplaceError::Held);
        row("held, locked", LockViolation, None, ReplaceError::Held);
        row("held without sharing deletion", AccessDenied, SharingViolation, ReplaceError::Held);
        row("the hold passed meanwhile (0: the open worked)", AccessDenied, 0, ReplaceError::Held);
        row("refused", AccessDenied, AccessDenied, ReplaceError::Failed);
        row("the folder gone", 3, 3, ReplaceError::Failed);
        // clang-format on
    }

    // A destination another program holds for now is asked for again later;
    // anything else fails the number.
    void replaceErrors()
    {
        const auto [move, deleteOpen] = fetch<std::uint32_t, std::uint32_t>("move", "deleteOpen");
        QTEST(Platform::replaceErrorOf(move, deleteOpen), "outcome");
    }
};

QTEST_APPLESS_MAIN(TestWindowsRules)
#include "TestWindowsRules.moc"
