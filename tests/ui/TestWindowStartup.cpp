#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"
#include "SettingsStore.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QAction *action(const Seqget_FRM &window, const char *name)
{
    return window.findChild<QAction *>(QString::fromLatin1(name));
}

// The settings as the window shows them: the eight job boxes; the folder-sync
// value and whether the own-folder box and the easy-setup panel are shown;
// AUTO, PROXY, BEEP and LOG, each as flag and menu mark; proxy; position.
QString shown(const Seqget_FRM &window)
{
    QStringList parts;
    for (const JobField &job : jobFields)
        parts << window.jobBox(job.box)->text();
    parts << u"sync %1 own %2 panel %3"_s.arg(window.syncValue())
                 .arg(int(window.jobBox(JobBox::PCFLD)->isEnabled()))
                 .arg(int(!window.Label1(10)->isHidden()));
    const MainState &s = window.mainState();
    const bool flags[] = { s.AUTO, s.PROXY, s.BEEP, s.LOG };
    const char *const menus[] = { "MenuAuto", "MenuProxy", "MenuBeep", "MenuLog" };
    for (int i = 0; i < 4; ++i)
        parts << u"%1%2"_s.arg(int(flags[i])).arg(int(action(window, menus[i])->isChecked()));
    parts << s.PROXYIP << s.PORT << u"%1,%2"_s.arg(window.x()).arg(window.y());
    return parts.join(u'|');
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWindowStartup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void startShows_data()
    {
        QTest::addColumn<QByteArray>("file"); // none on a first start
        QTest::addColumn<QString>("tail"); // of what is shown, from the panel on
        QTest::newRow("first start") << QByteArray() << u"1|11|00|11|11|127.0.0.1|8080|0,0"_s;
        QTest::newRow("AUTO False, PROXY True")
            << "[STARTUP]\nAUTO=false\nPROXY=TRUE\nPROXYIP=\n"_ba << u"0|00|11|11|11||8080|0,0"_s;
    }

    // Stored flags take effect before the window is shown, and ask nothing.
    void startShows()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, tail);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        QFile stored(path);
        QVERIFY(file.isEmpty() || (stored.open(QIODevice::WriteOnly) && stored.write(file) > 0));
        stored.close();
        SettingsStore store(path);
        ScriptedPrompter prompter;
        Seqget_FRM window(&prompter, &store);
        QCOMPARE(shown(window),
                 u"http://127.0.0.1:18080/|images|hana|jpg|1|1|8||sync 1 own 0 panel "_s + tail);
        QVERIFY(prompter.shown.isEmpty());
        QCOMPARE(QFile::exists(path), !file.isEmpty());
    }

    // Texts longer than a line edit takes by default load and save whole.
    void longTextsKeptWhole()
    {
        const QString path = m_dir.filePath(u"long.conf"_s);
        QByteArray file = "[STARTUP]\n";
        QStringList texts;
        for (const JobField &job : jobFields) {
            texts << QString(40000, QChar(u'a' + int(job.box)));
            file += QByteArray(job.key.data()) + '=' + texts.constLast().toUtf8() + '\n';
        }
        QFile stored(path);
        QVERIFY(stored.open(QIODevice::WriteOnly) && stored.write(file) == file.size());
        stored.close();
        SettingsStore store(path);
        ScriptedPrompter prompter;
        Seqget_FRM window(&prompter, &store);
        for (const JobField &job : jobFields)
            QCOMPARE(window.jobBox(job.box)->text(), texts.at(int(job.box)));
        action(window, "MenuSave")->trigger();
        const QByteArray saved = fileBytes(path);
        for (const QString &text : std::as_const(texts))
            QVERIFY(saved.contains('=' + text.toUtf8() + '\n'));
    }

    void savedValuesComeBackUnsavedOnesDoNot()
    {
        const QString path = m_dir.filePath(u"saved.conf"_s);
        const QStringList texts = {
            "https://h/ a,b;c=d\\e \"q\"", "画像", " pre ", "@x #y [z] ", "3", "", "120", " 自分"
        };
        QTemporaryDir base;
        {
            SettingsStore store(path);
            ScriptedPrompter prompter;
            prompter.answers << u"proxy.local"_s << u"3128"_s;
            Seqget_FRM window(&prompter, &store);
            for (int i = 0; i < texts.size(); ++i)
                window.jobBox(jobFields[i].box)->setText(texts[i]);
            window.setSyncValue(0);
            window.setDir1Path(base.path());
            for (const char *menu : { "MenuAuto", "MenuProxy", "MenuBeep" })
                action(window, menu)->trigger();
            window.move(82, 41);
            action(window, "MenuSave")->trigger();
            window.jobBox(JobBox::FLD)->setText(u"lost"_s);
            action(window, "MenuLog")->trigger();
            window.close(); // without saving
        }
        const QByteArray text = fileBytes(path);
        QVERIFY(text.contains("\nFLD=画像\n") && text.contains("\nFORM_LEFT=1230\n"));

        // A restart reads the file; QSettings would hand this process what it wrote.
        const QString restart = m_dir.filePath(u"restart.conf"_s);
        QVERIFY(QFile::copy(path, restart));
        SettingsStore store(restart);
        ScriptedPrompter prompter;
        Seqget_FRM window(&prompter, &store);
        QCOMPARE(shown(window),
                 texts.join(u'|') + u"|sync 0 own 1 panel 0|00|11|00|11|proxy.local|3128|82,41"_s);
        QCOMPARE(window.dir1Path(), base.path());

        window.show();
        window.jobBox(JobBox::KETA)->setText(u"4"_s);
        action(window, "MenuEnd")->trigger();
        QVERIFY(!window.isVisible());
        QVERIFY(fileBytes(restart).contains("\nKETA=4\n"));
    }
};

QTEST_MAIN(TestWindowStartup)
#include "TestWindowStartup.moc"
