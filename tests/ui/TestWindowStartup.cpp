#include "DirectoryList.h"
#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"
#include "SettingsStore.h"
#include "StoredSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

// Start-up and the File menu on the real window with a store in a temporary
// file: what a user sees after the first start, after a save, and after a
// close without saving.
class TestWindowStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void firstStartShowsDefaults();
    void savedValuesComeBackUnsavedOnesDoNot();
    void storedFlagsApplyWithoutPrompts();
    void positionExactly45000IsZero();

private:
    QString storePath() const { return m_dir.filePath(QStringLiteral("Seqget.conf")); }
    QTemporaryDir m_dir;
};

void TestWindowStartup::firstStartShowsDefaults()
{
    SettingsStore store(storePath() + ".first");
    ScriptedPrompter prompter;
    Seqget_FRM window(&prompter, &store);
    const QStringList texts
        = { "http://127.0.0.1:18080/", "images", "hana", "jpg", "1", "1", "8", "" };
    int i = 0;
    for (JobBox box : allJobBoxes)
        QCOMPARE(window.jobBox(box)->text(), texts.at(i++));
    QCOMPARE(window.syncValue(), 1);
    QVERIFY(!window.jobBox(JobBox::PCFLD)->isEnabled());
    QCOMPARE(window.dir1Path(),
             StoredSettings::defaultBaseDirectory(StoredSettings::programFolder()));
    QCOMPARE(window.Label1(10)->isHidden(), false);
    QCOMPARE(window.findChild<QAction *>("MenuAuto")->isChecked(), true);
    QCOMPARE(window.findChild<QAction *>("MenuProxy")->isChecked(), false);
    QCOMPARE(window.findChild<QAction *>("MenuBeep")->isChecked(), true);
    QCOMPARE(window.findChild<QAction *>("MenuLog")->isChecked(), true);
    QCOMPARE(window.mainState().PROXYIP, QStringLiteral("127.0.0.1"));
    QCOMPARE(window.mainState().PORT, QStringLiteral("8080"));
    QCOMPARE(window.mainState().Running, false);
    QCOMPARE(window.pos(), QPoint(0, 0));
    QVERIFY(prompter.shown.isEmpty());
    // Loading alone writes nothing.
    QVERIFY(!QFile::exists(storePath() + ".first"));
}

void TestWindowStartup::savedValuesComeBackUnsavedOnesDoNot()
{
    QTemporaryDir base;
    {
        SettingsStore store(storePath());
        ScriptedPrompter prompter;
        prompter.answers << QStringLiteral("proxy.local") << QStringLiteral("3128");
        Seqget_FRM window(&prompter, &store);
        const QStringList texts
            = { "https://h/ a,b;c=d\\e \"q\"", "画像", " pre ", "png", "3", "0", "120", "" };
        int i = 0;
        for (JobBox box : allJobBoxes)
            window.jobBox(box)->setText(texts.at(i++));
        window.setSyncValue(0);
        window.setDir1Path(base.path());
        window.findChild<QAction *>("MenuAuto")->trigger();
        window.findChild<QAction *>("MenuProxy")->trigger();
        window.findChild<QAction *>("MenuBeep")->trigger();
        window.move(82, 41);
        window.findChild<QAction *>("MenuSave")->trigger();

        // Changed after the save, then the window is closed without saving.
        window.jobBox(JobBox::FLD)->setText(QStringLiteral("lost"));
        window.findChild<QAction *>("MenuLog")->trigger();
        window.close();
    }
    SettingsStore store(storePath());
    ScriptedPrompter prompter;
    Seqget_FRM window(&prompter, &store);
    QCOMPARE(window.jobBox(JobBox::URL)->text(), QStringLiteral("https://h/ a,b;c=d\\e \"q\""));
    QCOMPARE(window.jobBox(JobBox::FLD)->text(), QStringLiteral("画像"));
    QCOMPARE(window.jobBox(JobBox::FNTOP)->text(), QStringLiteral(" pre "));
    QCOMPARE(window.mainState().FNTOP, QStringLiteral(" pre "));
    QCOMPARE(window.jobBox(JobBox::STOP)->text(), QStringLiteral("120"));
    QCOMPARE(window.syncValue(), 0);
    QVERIFY(window.jobBox(JobBox::PCFLD)->isEnabled());
    QCOMPARE(window.dir1Path(), base.path());
    QVERIFY(window.Label1(10)->isHidden());
    QCOMPARE(window.mainState().AUTO, false);
    QCOMPARE(window.mainState().PROXY, true);
    QCOMPARE(window.findChild<QAction *>("MenuProxy")->isChecked(), true);
    QCOMPARE(window.mainState().PROXYIP, QStringLiteral("proxy.local"));
    QCOMPARE(window.mainState().PORT, QStringLiteral("3128"));
    QCOMPARE(window.mainState().BEEP, false);
    QCOMPARE(window.findChild<QAction *>("MenuBeep")->isChecked(), false);
    QCOMPARE(window.mainState().LOG, true);
    QCOMPARE(window.findChild<QAction *>("MenuLog")->isChecked(), true);
    QCOMPARE(window.pos(), QPoint(82, 41));
    QVERIFY(prompter.shown.isEmpty());

    QFile file(storePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    QVERIFY(text.contains("[STARTUP]"));
    QVERIFY(text.contains("FORM_LEFT=1230\n"));
    QVERIFY(text.contains("FORM_TOP=615\n"));
    QVERIFY(text.contains("AUTO=False\n"));
    QVERIFY(text.contains("SYNC=0\n"));
}

void TestWindowStartup::storedFlagsApplyWithoutPrompts()
{
    {
        SettingsStore store(storePath() + ".flags");
        store.write(QStringLiteral("AUTO"), QStringLiteral("false"));
        store.write(QStringLiteral("PROXY"), QStringLiteral("TRUE"));
        store.write(QStringLiteral("PROXYIP"), QString());
        store.write(QStringLiteral("SYNC"), QStringLiteral("2"));
        store.sync();
    }
    SettingsStore store(storePath() + ".flags");
    ScriptedPrompter prompter;
    Seqget_FRM window(&prompter, &store);
    // Hidden before the window is ever shown.
    QVERIFY(window.findChild<QComboBox *>("Combo_url")->isHidden());
    QVERIFY(window.findChild<QWidget *>("Command_AUTO")->isHidden());
    QCOMPARE(window.findChild<QAction *>("MenuAuto")->isChecked(), false);
    QCOMPARE(window.findChild<QAction *>("MenuProxy")->isChecked(), true);
    QCOMPARE(window.mainState().PROXYIP, QString());
    QVERIFY(prompter.shown.isEmpty());
    QCOMPARE(window.syncValue(), 2);
    QCOMPARE(int(window.mainState().SYNC), 2);
    QVERIFY(window.jobBox(JobBox::PCFLD)->isEnabled());
}

void TestWindowStartup::positionExactly45000IsZero()
{
    {
        SettingsStore store(storePath() + ".pos");
        store.write(QStringLiteral("FORM_LEFT"), QStringLiteral("45000"));
        store.write(QStringLiteral("FORM_TOP"), QStringLiteral("44985"));
        store.sync();
    }
    SettingsStore store(storePath() + ".pos");
    Seqget_FRM window(nullptr, &store);
    QCOMPARE(window.pos(), QPoint(0, 2999));
}

QTEST_MAIN(TestWindowStartup)
#include "TestWindowStartup.moc"
