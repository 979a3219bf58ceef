#include "settings/StoredSettings.h"
#include "setup/SampleUrl.h"
#include "support/RecordingPlatform.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "support/TestHttpServer.h"
#include "ui/DirectoryList.h"
#include "ui/DriveList.h"
#include "ui/QtJapanese.h"
#include "ui/Seqget_FRM.h"
#include "ui/StatusLine.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

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

} // namespace

// The window as created, the proxy entry of the Settings menu, the easy
// setup (the order of its dialogs and of its writes into the boxes, and
// drops), and the folder chooser's handlers.
class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_temp; // the folder chooser's volumes, made afresh by each init()
    QString m_root;
    RecordingPlatform m_platform { m_temp.filePath(u"Seqget.log"_s) };
    DownloadRun m_run { m_platform };
    ScriptedPrompter m_prompter;
    std::unique_ptr<Seqget_FRM> m_window;
    DriveList *m_drive = nullptr;
    DirectoryList *m_dir = nullptr;

    // A first start whose downloads would go into base, with the own-folder
    // box enabled.
    static StoredSettings firstStartIn(const QString &base)
    {
        StoredSettings settings = StoredSettings::firstStart();
        settings.PCPATH = base;
        settings.SYNC = 0;
        return settings;
    }

private Q_SLOTS:
    // The folder chooser's tests run on two made-up volumes inside a
    // temporary folder and a third one that is not ready.
    void init()
    {
        m_root = QDir::cleanPath(m_temp.path()) + u'/';
        QVERIFY(QDir(m_root).mkpath(u"first/a/b"_s) && QDir(m_root).mkpath(u"second/c"_s));
        const VolumeList volumes({ { m_root + "first", "ext4", "", "" },
                                   { m_root + "second", "ext4", "", "" },
                                   { m_root + "missing", "vfat", "", "" } },
                                 Platform::pathStyle());
        m_prompter = {};
        m_window = std::make_unique<Seqget_FRM>(
            m_run, [volumes] { return volumes; }, firstStartIn(m_root + "first/a"), &m_prompter);
        m_drive = m_window->findChild<DriveList *>(u"Drive1"_s);
        m_dir = m_window->findChild<DirectoryList *>(u"Dir1"_s);
    }

    // The form keeps its size: it cannot be resized or maximised.
    void fixedSize()
    {
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
        QVERIFY(!(m_window->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    // On asks for host, then port, offering the current ones, with the mark
    // already set, and takes a Cancel as empty; off asks nothing and keeps both.
    void proxyPrompts()
    {
        m_prompter.answers = { QString(), u" 3128 "_s, QString(), u"3128"_s };
        auto *action = m_window->findChild<QAction *>(u"MenuProxy"_s);
        QStringList offered;
        m_prompter.onDialog = [&] {
            offered << m_prompter.shown.last().section(u'|', 1) + u" %1"_s.arg(action->isChecked());
        };
        for (int i = 0; i < 3; ++i) // on, off, on
            action->trigger();
        QCOMPARE(offered, QStringList({ u"127.0.0.1 1"_s, u"8080 1"_s, u" 1"_s, u" 3128  1"_s }));
        const MainState &state = m_window->mainState();
        QVERIFY(state.PROXY && action->isChecked());
        QCOMPARE(state.PROXYIP + u'|' + state.PORT, u"|3128"_s);
    }

    // The dialogs and the writes into the boxes in order, each sample with
    // its answer to the digit prompt; the focus ends on START.
    void easySetup()
    {
        const QString rest = u"FLD=images;URL=http://server/base/"_s;
        const QStringList cases = {
            u"http://server/base/images/hana001.jpg 3 EXT=jpg;ask;KETA=3;FNTOP=hana;"_s + rest,
            u"http://server/base/images/hana001 -1 message;EXT=http://server/base/images/hana001;"
            "ask;KETA=-1;FNTOP=;"_s
                + rest,
            u"hana001.jpg 3 EXT=jpg;ask;KETA=3;message;FNTOP=hana;FLD=;URL="_s,
            // Too long to be analysed: the job is kept.
            u"h/a/"_s + QString(SampleUrl::maxLength, u'x') + u".jpg 3 message"_s,
        };
        for (const QString &entry : cases) {
            ScriptedPrompter prompter;
            prompter.answers << entry.section(u' ', 1, 1);
            Seqget_FRM window(m_run, &VolumeList::fromSystem, firstStartIn(m_temp.path()), &prompter);
            window.show();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QStringList seen;
            for (const JobField &job : jobFields) {
                boxOf(window, job.box)->setText(u"old"_s); // so that every write shows as a change
                connect(
                    boxOf(window, job.box), &QLineEdit::textChanged, this,
                    [&seen, key = QString(job.key)](const QString &t) { seen << key + u'=' + t; });
            }
            // "ask" for the digit prompt, "message" for a complaint.
            prompter.onDialog = [&] { seen << prompter.shown.constLast().section(u':', 0, 0); };
            window.findChild<QComboBox *>(u"Combo_url"_s)->setEditText(entry.section(u' ', 0, 0));
            QTest::mouseClick(window.findChild<QPushButton *>(u"Command_AUTO"_s), Qt::LeftButton);
            QCOMPARE(seen.join(u';'), entry.section(u' ', 2));
            if (seen.constLast().startsWith(u"URL="))
                QCOMPARE(QApplication::focusWidget(),
                         window.findChild<QWidget *>(u"Command_GET"_s));
        }
    }

    // The easy setup leaves the focus on START for a keyboard user: Return and
    // Enter press a focused button, as Space does.
    void keysPressTheFocusedButton()
    {
        for (const char *name : { "Command_AUTO", "Command_GET" }) {
            auto *button = m_window->findChild<QPushButton *>(QLatin1String(name));
            QSignalSpy clicked(button, &QPushButton::clicked);
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Return);
            QTest::keyClick(button, Qt::Key_Enter);
            QCOMPARE(clicked.size(), 2);
        }
    }

    // What Qt draws itself reads in the window's language, as a job box's
    // context menu shows.
    void qtTextsInJapanese()
    {
        QVERIFY(installQtJapanese(*QCoreApplication::instance()));
        std::unique_ptr<QMenu> menu(boxOf(*m_window, JobBox::URL)->createStandardContextMenu());
        QVERIFY(menu->actions().constFirst()->text().startsWith(u"元に戻す"_s));
    }

    // A drop replaces the sample box's text, whatever it lands on, shown or
    // hidden, and the analysis does not run.
    void drops()
    {
        Seqget_FRM &window = *m_window;
        auto *sample = window.findChild<QComboBox *>(u"Combo_url"_s);
        const QString dropped = u"http://h/x/hana01.png"_s;
        QStringList taken;
        // Where it lands, as a link from a file manager or not, and with the
        // easy-setup panel hidden or shown.
        for (const QString &place : u"centralwidget, Text_FLD, Combo_url, Combo_url link, "
                                    "centralwidget hidden"_s.split(u", "_s)) {
            QMimeData data;
            if (place.endsWith(u"link"))
                data.setUrls({ QUrl(dropped) });
            else
                data.setText(dropped);
            if (place.endsWith(u"hidden"))
                window.findChild<QAction *>(u"MenuAuto"_s)->trigger();
            sample->setEditText(u"old text"_s);
            // As the drag-and-drop machinery delivers it: to the widget under
            // the cursor, passed up to the first one that takes drops.
            QWidget *widget = window.findChild<QWidget *>(place.section(u' ', 0, 0));
            QWidget *taker = widget->childAt(widget->rect().center());
            taker = taker ? taker : widget;
            while (!taker->acceptDrops())
                taker = taker->parentWidget();
            const QPoint at = taker->mapFromGlobal(widget->mapToGlobal(widget->rect().center()));
            QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(taker, &enter);
            QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
            QApplication::sendEvent(taker, &drop);
            const bool copied = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
            taken << (copied && sample->currentText() == dropped ? u"taken"_s
                                                                 : sample->currentText());
        }
        QCOMPARE(taken, QStringList(5, u"taken"_s));
        QCOMPARE(window.mainState().URL, StoredSettings::firstStart().URL); // no analysis
    }

    // Each step picks a drive or sets the directory list's path; what both
    // lists show after it, and whether a guard was left set.
    void chooserHandlers()
    {
        QStringList shown;
        for (const char *step : { "drive second", "path first/a/b", "drive first", "path second/c",
                                  "drive missing", "path first/a" }) {
            const QString target = m_root + QString::fromLatin1(step).section(u' ', 1);
            if (QByteArray(step).startsWith("drive"))
                m_drive->setCurrentIndex(m_drive->volumes().indexOfRoot(target));
            else
                m_dir->setPath(target);
            const QString lists = m_dir->path() + u' ' + m_drive->drive();
            shown << QString(lists).remove(m_root);
        }
        // Another drive opens its root; the same drive, or one not ready, changes
        // nothing; a path on another drive is kept, and the drive follows it.
        QCOMPARE(shown.join(u", "),
                 u"second second, first/a/b first, first/a/b first, "
                 "second/c second, second/c second, first/a first"_s);
    }

    // What a click makes of each value of the folder-sync box; the own-folder
    // box is disabled exactly while ticked, and keeps its text.
    void syncBox()
    {
        auto *box = m_window->findChild<QCheckBox *>(u"Check_SYNC"_s);
        boxOf(*m_window, JobBox::PCFLD)->setText(u"mine"_s);
        const auto state = [this] {
            return u"%1 %2"_s.arg(m_window->mainState().SYNC)
                .arg(boxOf(*m_window, JobBox::PCFLD)->isEnabled());
        };
        QStringList seen; // as set, then after the click
        for (const int value : { 0, 1, 2 }) {
            setSync(*m_window, value);
            seen << state();
            QTest::mouseClick(box, Qt::LeftButton);
            seen << state();
        }
        QCOMPARE(seen.join(u", "), u"0 1, 1 0, 1 0, 0 1, 2 1, 0 1"_s);
        QCOMPARE(m_window->mainState().PCFLD, u"mine"_s);
    }

    // START on the real window: the caption while the run goes and after it,
    // the files and the status lines; a prefix typed and the
    // beep switched off during the run count for what is left of it.
    void runFromTheButton()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        for (const char *name : { "hana001", "hana002", "hanax003" })
            server.responses.insert("/s/"_ba + name + ".jpg", reply(200, name));
        server.responses["/s/hana002.jpg"].hold = true;
        server.responses["/s/hanax003.jpg"].hold = true;
        StoredSettings settings = firstStartIn(m_temp.path());
        settings.URL = server.baseUrl();
        settings.FLD = u"s"_s;
        settings.SYNC = 1;
        settings.KETA = settings.STOP = u"3"_s;
        // A log of its own: runs started by other tests may have written theirs.
        RecordingPlatform platform(m_temp.filePath(u"run.log"_s));
        DownloadRun run(platform);
        Seqget_FRM window(run, &VolumeList::fromSystem, settings, &m_prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *start = window.findChild<QPushButton *>(u"Command_GET"_s);
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_COMPARE(server.requests.size(), 2);
        const QString captionDuring = start->text();
        QTest::keyClicks(boxOf(window, JobBox::FNTOP), u"x"_s);
        server.release("/s/hana002.jpg");
        QTRY_COMPARE(server.requests.size(), 3);
        window.findChild<QAction *>(u"MenuBeep"_s)->trigger();
        server.release("/s/hanax003.jpg");
        QTRY_COMPARE(start->text(), u"START"_s);
        QCOMPARE(captionDuring, u"STOP"_s);

        const QString folder = m_temp.filePath(u"s"_s);
        QCOMPARE(entriesBelow(folder).join(u' '), u"hana001.jpg hana002.jpg hanax003.jpg"_s);
        QCOMPARE(readAll(folder + u"/hanax003.jpg"_s), "hanax003"_ba);
        const QString last = server.baseUrl() + u"s/hanax003.jpg"_s;
        QCOMPARE(readAll(platform.logFilePath()), (u'"' + last + u",\"\r\n"_s).toLocal8Bit());
        QTRY_COMPARE(window.findChild<QLabel *>(u"Label_STS_0"_s)->text(), last);
        QTRY_COMPARE(window.findChild<QLabel *>(u"Label_STS_1"_s)->text(),
                     QDir::toNativeSeparators(folder + u"/hanax003.jpg"_s));
        QCOMPARE(platform.beeps, 0);
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
