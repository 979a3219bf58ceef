#include "settings/StoredSettings.h"
#include "support/RecordingPlatform.h"
#include "support/Rows.h"
#include "support/ScriptedPrompter.h"
#include "support/TestFiles.h"
#include "support/TestHttpServer.h"
#include "ui/DirectoryList.h"
#include "ui/DriveList.h"
#include "ui/QtJapanese.h"
#include "ui/Seqget_FRM.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

using namespace Qt::StringLiterals;
using Field = QString MainState::*;
using Action = std::function<void()>; // what the user does in the window
Q_DECLARE_METATYPE(Action)

namespace {

// The job boxes and the fields of the record they fill.
const std::pair<QString, Field> jobBoxes[] = {
    { u"Text_URL"_s, &MainState::URL },     { u"Text_FLD"_s, &MainState::FLD },
    { u"Text_FNTOP"_s, &MainState::FNTOP }, { u"Text_EXT"_s, &MainState::EXT },
    { u"Text_KETA"_s, &MainState::KETA },   { u"Text_START"_s, &MainState::START },
    { u"Text_STOP"_s, &MainState::STOP },   { u"Text_PCFLD"_s, &MainState::PCFLD },
};
const QStringList easySetup = { u"Label1_10"_s, u"Combo_url"_s, u"Command_AUTO"_s };

} // namespace

// The window as the program makes it, driven as a user drives it: by the
// object names of its controls, with keys, clicks and menu entries.
class TestMainWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_temp;
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<DownloadRun> m_run;
    ScriptedPrompter m_prompter;
    std::unique_ptr<Seqget_FRM> m_window;

    QString at(const QString &relative) const { return m_temp->filePath(relative); }
    template<typename T = QWidget> T *get(const QString &name) const
    {
        return m_window->findChild<T *>(name);
    }
    const MainState &state() const { return m_window->mainState(); }
    QString text(const QString &control) const { return get(control)->property("text").toString(); }
    // The four options, each as its flag and as the mark of its menu entry.
    QList<bool> optionsShown() const
    {
        QList<bool> shown = { state().AUTO, state().PROXY, state().BEEP, state().LOG };
        for (const char *entry : { "MenuAuto", "MenuProxy", "MenuBeep", "MenuLog" })
            shown << get<QAction>(entry)->isChecked();
        return shown;
    }
    // The entries of a list as shown, and a path, without the test's folder.
    QStringList entries(const QString &list) const
    {
        QStringList entries;
        const auto *model = get(list)->findChild<QAbstractItemModel *>();
        for (int row = 0; row < model->rowCount(); ++row)
            entries << cut(model->index(row, 0).data().toString());
        return entries;
    }
    QString cut(const QString &path) const
    {
        return QDir::fromNativeSeparators(path).remove(m_temp->path() + u'/');
    }

    // What a user does, to be done later in the window then open.
    Action typing(QString box, QString text)
    {
        return [=, this] { QTest::keyClicks(get(box), text); };
    }
    Action choosing(QString entry)
    {
        return [=, this] { get<QAction>(entry)->trigger(); };
    }
    Action clicking(QString control, int times = 1)
    {
        return [=, this] {
            for (int i = 0; i < times; ++i)
                QTest::mouseClick(get(control), Qt::LeftButton);
        };
    }
    // The sample typed, and the easy-setup button pressed from the keyboard.
    Action analysing(const QString &sample, const QString &answer)
    {
        return [=, this] {
            m_prompter.answers = { answer };
            get<QComboBox>("Combo_url")->setEditText(sample);
            QTest::keyClick(get("Command_AUTO"), Qt::Key_Return);
        };
    }
    // Dropped as the drag machinery drops: on the widget under the pointer or
    // the first of its parents that takes drops, if that took the drag.
    Action dropping(const QString &target, const QString &format) const
    {
        return [=, this] {
            QMimeData data;
            data.setData(format, "http://h/x/hana01.png");
            const QPoint point = get(target)->mapToGlobal(get(target)->rect().center());
            QWidget *taker = QApplication::widgetAt(point);
            while (!taker->acceptDrops())
                taker = taker->parentWidget();
            const QPoint at = taker->mapFromGlobal(point);
            QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
            QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, {});
            if (QApplication::sendEvent(taker, &enter), enter.isAccepted())
                QApplication::sendEvent(taker, &drop);
        };
    }
    // A drive picked from the open drive list.
    Action picking(const QString &drive) const
    {
        return [=, this] {
            auto *list = get<DriveList>("Drive1");
            list->showPopup();
            const QModelIndex index = list->model()->index(list->findData(at(drive)), 0);
            QTest::mouseClick(list->view()->viewport(), Qt::LeftButton, {},
                              list->view()->visualRect(index).center());
        };
    }
    // An entry of the directory list clicked, then opened with Enter or by
    // the double-click that follows.
    Action opening(const QString &entry, bool byKey) const
    {
        return [=, this] {
            auto *list = get<DirectoryList>("Dir1");
            QListWidgetItem *item = list->findItems(entry, Qt::MatchExactly).value(0);
            QVERIFY(item);
            const QPoint point = list->visualItemRect(item).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
            if (byKey)
                QTest::keyClick(list, Qt::Key_Return);
            else
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        };
    }

    // A first start in first/a, for the series /s/hana001.jpg .. hana003.jpg
    // into the own folder "own".
    StoredSettings stored() const
    {
        StoredSettings settings = StoredSettings::firstStart();
        settings.PCPATH = at("first/a");
        settings.FLD = u"s"_s, settings.KETA = settings.STOP = u"3"_s, settings.PCFLD = u"own"_s;
        settings.SYNC = 0;
        settings.PROXYIP = u"proxy.local"_s, settings.PORT = u"3128"_s;
        return settings;
    }

    // The window as the program makes it, on four volumes made of the test's
    // folders: one mounted inside another (a stick), and one that cannot be
    // entered.
    void open(const StoredSettings &settings, bool show = true)
    {
        QList<Mount> mounts;
        for (const char *root : { "second", "first", "first/a/b/c", "missing" })
            mounts.append({ at(QString::fromLatin1(root)), u"ext4"_s, {}, {} });
        const VolumeList volumes(mounts, Platform::pathStyle());
        m_window = std::make_unique<Seqget_FRM>(
            *m_run, [volumes] { return volumes; }, settings, &m_prompter);
        // The volumes come from a thread of their own.
        QTRY_COMPARE(get<DriveList>("Drive1")->count(), 4);
        if (show) {
            m_window->show();
            std::ignore = QTest::qWaitForWindowActive(m_window.get());
        }
    }

private Q_SLOTS:
    void init()
    {
        // As the window's users run it: names sorted as Japanese reads them.
        QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
        m_window.reset();
        m_run.reset();
        m_temp = std::make_unique<QTemporaryDir>();
        for (const char *folder : { "first/a/b/c", "first/a/Zeta", "first/a/alpha", "first/a/Beta", "first/a/Ébauche",
                                    "first/a/.hidden", "second/c/own", "second/ownx", "second/s" })
            QVERIFY(QDir().mkpath(at(QString::fromUtf8(folder))));
        // Windows hides by the attribute, not by the dot.
        QVERIFY(Platform::pathStyle() != PathStyle::Windows || setUserMark(at("first/a/.hidden")));
        QDir::setCurrent(at("first")); // the drive list starts on its drive
        m_platform = std::make_unique<RecordingPlatform>(at("Seqget.log"));
        m_run = std::make_unique<DownloadRun>(*m_platform);
        m_prompter = {};
    }

    void liveEdits_data()
    {
        // clang-format off
        // What the user does while the second of three files is on its way;
        // the last file asked for and where it went in the base directory;
        // the beeps, and whether the log holds the line of the last file.
        const auto row = dataTable<Action, QString, QString, int, bool>({ "edit", "last", "saved", "beeps", "logged" });
        const char *third = "/s/hana003.jpg", *own = "own/hana003.jpg";
        row("URL", typing("Text_URL", "x/"), "/x/s/hana003.jpg", own, 1, true);
        row("FLD", typing("Text_FLD", "x"), "/sx/hana003.jpg", own, 1, true);
        row("FNTOP", typing("Text_FNTOP", "x"), "/s/hanax003.jpg", "own/hanax003.jpg", 1, true);
        row("EXT", typing("Text_EXT", "x"), "/s/hana003.jpgx", "own/hana003.jpgx", 1, true);
        row("PCFLD", typing("Text_PCFLD", "x"), third, "ownx/hana003.jpg", 1, true);
        row("folder sync", clicking("Check_SYNC"), third, "s/hana003.jpg", 1, true);
        row("directory list", opening("c", true), third, "c/own/hana003.jpg", 1, true);
        row("BEEP", choosing("MenuBeep"), third, own, 0, true);
        row("LOG", choosing("MenuLog"), third, own, 1, false);
        // The numbers and the proxy are the run's from its start.
        row("KETA", typing("Text_KETA", "0"), third, own, 1, true);
        row("START", typing("Text_START", "0"), third, own, 1, true);
        row("STOP", typing("Text_STOP", "0"), third, own, 1, true);
        row("proxy", choosing("MenuProxy"), third, own, 1, true);
        // The button, now STOP: the file on its way is saved, and no other.
        row("STOP pressed", Action([this] { QTest::keyClick(get("Command_GET"), Qt::Key_Enter); }), "/s/hana002.jpg", "own/hana002.jpg", 1, true);
        // clang-format on
    }

    // An edit during a run counts from the next file on, or for the end
    // steps; the caption says STOP while the run goes; the status lines show
    // the last file.
    void liveEdits()
    {
        TestHttpServer server;
        QVERIFY(server.listen());
        QFETCH(QString, last);
        for (const QString &path : { last, u"/s/hana001.jpg"_s, u"/s/hana002.jpg"_s })
            server.responses.insert(path.toLatin1(), reply(200, path.toLatin1()));
        server.responses["/s/hana002.jpg"].hold = true;
        StoredSettings settings = stored();
        settings.URL = server.baseUrl(), settings.PCPATH = at("second");
        open(settings);
        const QImage blank = get("Label_STS_0")->grab().toImage();
        m_prompter.answers = { u"127.0.0.1"_s, u"1"_s }; // a proxy that is not there
        QTest::keyClick(get("Command_GET"), Qt::Key_Return);
        QTRY_COMPARE(server.requests.size(), 2);
        QCOMPARE(text("Command_GET"), u"STOP"_s);
        cell<Action>("edit")();
        server.release("/s/hana002.jpg");
        QTRY_COMPARE(text("Command_GET"), u"START"_s);
        QCOMPARE(QString::fromLatin1(server.requests.constLast().target), last);
        QFETCH(QString, saved);
        QCOMPARE(readAll(at("second/" + saved)), last.toLatin1());
        QTEST(m_platform->beeps, "beeps");
        const QString url = server.baseUrl() + last.mid(1);
        QTEST(readAll(at("Seqget.log")) == '"' + url.toLocal8Bit() + ",\"\r\n", "logged");
        QTRY_COMPARE(text("Label_STS_0"), url);
        QTRY_COMPARE(text("Label_STS_1"), QDir::toNativeSeparators(at("second/" + saved)));
        QVERIFY(get("Label_STS_0")->grab().toImage() != blank); // drawn, not only held
    }

    void sample_data()
    {
        // clang-format off
        // Whether the easy-setup controls are shown; what the user does with
        // "typed" in the sample box; the boxes written and the dialogs shown,
        // in order; EXT, KETA, FNTOP, FLD and URL afterwards; the sample box's
        // text afterwards; whether the focus ends on START.
        const auto row = dataTable<bool, Action, QStringList, QStringList, QString, bool>({ "panel", "act", "steps", "boxes", "sample", "focusOnStart" });
        const QString noDot = u"message:ファイル名の拡張子まで入力して下さい"_s, noSlash = u"message:URLを正しく入力して下さい"_s;
        const QStringList ask = { u"Text_EXT"_s, u"ask:連番桁数を入力して下さい|"_s, u"Text_KETA"_s }, rest = { u"Text_FNTOP"_s, u"Text_FLD"_s, u"Text_URL"_s }, old(5, u"old"_s), none;
        const QString sample = u"http://h/b/i/hana001.jpg"_s, tooLong = u"h/"_s + QString(32761, u'x') + u".jpg"_s, link = u"http://h/x/hana01.png"_s;
        row("worked example", true, analysing(sample, "3"), ask + rest, QStringList { "jpg", "3", "hana", "i", "http://h/b/" }, sample, true);
        row("no dot: told first", true, analysing("http://h/b/i/hana001", "-1"), QStringList { noDot } + ask + rest, QStringList { "http://h/b/i/hana001", "-1", "", "i", "http://h/b/" }, "http://h/b/i/hana001", true);
        row("no slash: told after the prompt", true, analysing("hana001.jpg", "3"), QStringList(ask) << noSlash << rest, QStringList { "jpg", "3", "hana", "", "" }, "hana001.jpg", true);
        row("too long: the job kept", true, analysing(tooLong, "3"), QStringList { noSlash }, old, tooLong, false);
        // A drop only replaces the sample's whole text.
        row("drop on the window", true, dropping("centralwidget", "text/plain"), none, old, link, false);
        row("drop on a job box", true, dropping("Text_FLD", "text/plain"), none, old, link, false);
        row("text on the sample", true, dropping("Combo_url", "text/plain"), none, old, link, false);
        row("link on the sample", true, dropping("Combo_url", "text/uri-list"), none, old, link, false);
        row("drop, panel hidden", false, dropping("centralwidget", "text/plain"), none, old, link, false);
        row("image: refused", true, dropping("centralwidget", "image/png"), none, old, "typed", false);
        // clang-format on
    }

    // The easy-setup button fills five boxes from the sample, with its dialogs
    // in between, and leaves the focus on START; a drop fills the sample only.
    void sample()
    {
        StoredSettings settings = stored();
        settings.AUTO = cell<bool>("panel");
        open(settings);
        QStringList seen;
        for (const auto &job : jobBoxes) {
            get<QLineEdit>(job.first)->setText(u"old"_s); // so that every write shows
            connect(get<QLineEdit>(job.first), &QLineEdit::textChanged, this,
                    [&seen, box = job.first] { seen << box; });
        }
        m_prompter.onDialog = [&] { seen << m_prompter.shown.constLast(); };
        get<QComboBox>("Combo_url")->setEditText(u"typed"_s);
        cell<Action>("act")();
        QTEST(seen, "steps");
        QTEST(QStringList({ text("Text_EXT"), text("Text_KETA"), text("Text_FNTOP"),
                            text("Text_FLD"), text("Text_URL") }),
              "boxes");
        QTEST(get<QComboBox>("Combo_url")->currentText(), "sample");
        QTEST(QApplication::focusWidget() == get("Command_GET"), "focusOnStart");
    }

    void options_data()
    {
        // clang-format off
        // The entry chosen twice, and the answers to its prompts; AUTO, PROXY,
        // BEEP and LOG after the first choice; the dialogs of both; the proxy
        // host and port afterwards.
        const auto row = dataTable<QString, QStringList, QList<bool>, QStringList, QString, QString>({ "entry", "answers", "after", "shown", "host", "port" });
        const QStringList none, prompts = { u"ask:プロキシサーバーＩＰアドレス|proxy.local"_s, u"ask:プロキシ用HTTPポート|3128"_s };
        const QString about = u"message:Seqget 0.5.0\u3000フリーソフト\r\n連番ファイル ダウンローダー\r\n作者: Seqget 開発チーム\r\n"_s;
        row("AUTO", "MenuAuto", none, QList<bool> { 0, 0, 1, 1 }, none, "proxy.local", "3128");
        row("PROXY", "MenuProxy", QStringList { "h", "1" }, QList<bool> { 1, 1, 1, 1 }, prompts, "h", "1");
        row("PROXY, Cancel", "MenuProxy", QStringList { "", "1" }, QList<bool> { 1, 1, 1, 1 }, prompts, "", "1");
        row("BEEP", "MenuBeep", none, QList<bool> { 1, 0, 0, 1 }, none, "proxy.local", "3128");
        row("LOG", "MenuLog", none, QList<bool> { 1, 0, 1, 0 }, none, "proxy.local", "3128");
        row("version box", "MenuAbout", none, QList<bool> { 1, 0, 1, 1 }, QStringList { about, about }, "proxy.local", "3128");
        // clang-format on
    }

    // An option turns on or off and back, flag and mark alike; the proxy asks
    // for host and port, offering them, only as it turns on; the easy-setup
    // controls show exactly while AUTO is on, and the sample stays.
    void options()
    {
        open(stored());
        m_prompter.answers = cell<QStringList>("answers");
        get<QComboBox>("Combo_url")->setEditText(u"sample"_s);
        const QList<bool> after = cell<QList<bool>>("after");
        for (const QList<bool> &expected : { after, optionsShown().mid(0, 4) }) {
            choosing(cell<QString>("entry"))();
            QCOMPARE(optionsShown(), expected + expected);
            for (const QString &control : easySetup)
                QCOMPARE(get(control)->isVisible(), expected[0]);
        }
        QTEST(m_prompter.shown, "shown");
        QTEST(state().PROXYIP, "host");
        QTEST(state().PORT, "port");
        QCOMPARE(get<QComboBox>("Combo_url")->currentText(), u"sample"_s);
    }

    void startUp_data()
    {
        // clang-format off
        // AUTO, PROXY, BEEP and LOG as stored; SYNC as stored, and whether the
        // own-folder box is enabled; FORM_LEFT and FORM_TOP, and the position
        // in pixels; how the window is left, the saves, and whether it is open.
        const auto row = dataTable<QList<bool>, int, bool, QPoint, QPoint, Action, int, bool>({ "flags", "sync", "ownFolder", "twips", "position", "leave", "saves", "open" });
        row("saved", QList<bool> { 1, 0, 1, 0 }, 1, false, QPoint(1500, 3000), QPoint(100, 200), choosing("MenuSave"), 1, true);
        row("ended", QList<bool> { 0, 1, 0, 1 }, 0, true, QPoint(15, -45000), QPoint(1, -3000), choosing("MenuEnd"), 1, false);
        row("closed", QList<bool> { 1, 1, 1, 1 }, 2, true, QPoint(44985, 38), QPoint(2999, 3), Action([this] { m_window->close(); }), 0, false);
        // clang-format on
    }

    // Start-up shows the stored values before the window is first shown, each
    // box bound to its field, and asks nothing; the base directory lies on
    // another drive than the current directory. The File menu saves what the
    // window shows; closing the window otherwise saves nothing.
    void startUp()
    {
        StoredSettings settings = stored();
        for (const auto &[box, field] : jobBoxes)
            settings.*field = box;
        settings.PCFLD = QString(40000, u'x'); // longer than a line edit takes by default
        const auto [flags, sync, twips] = fetch<QList<bool>, int, QPoint>("flags", "sync", "twips");
        std::tie(settings.AUTO, settings.PROXY, settings.BEEP, settings.LOG)
            = std::tuple(flags[0], flags[1], flags[2], flags[3]);
        settings.SYNC = qint16(sync), settings.FORM_LEFT = twips.x(), settings.FORM_TOP = twips.y();
        settings.PCPATH = at("second/c");
        open(settings, false);
        for (const auto &[box, field] : jobBoxes) {
            QCOMPARE(text(box), settings.*field);
            QCOMPARE(state().*field, settings.*field);
        }
        QCOMPARE(int(state().SYNC), sync);
        QTEST(get("Text_PCFLD")->isEnabled(), "ownFolder");
        QCOMPARE(optionsShown(), flags + flags);
        for (const QString &control : easySetup)
            QCOMPARE(get(control)->isHidden(), !flags[0]);
        QTEST(m_window->pos(), "position");
        QCOMPARE(cut(get<DirectoryList>("Dir1")->path()), u"second/c"_s);
        QCOMPARE(cut(get<DriveList>("Drive1")->drive()), u"second"_s);
        QCOMPARE(m_prompter.shown, QStringList());
        m_window->show();
        for (const auto &[box, field] : jobBoxes) { // each box's edits reach its field
            get<QLineEdit>(box)->setText(text(box) + u'+');
            settings.*field += u'+';
        }
        QList<StoredSettings> saved;
        connect(m_window.get(), &Seqget_FRM::saveRequested, this,
                [&saved](const StoredSettings &s) { saved << s; });
        cell<Action>("leave")();
        QTEST(int(saved.size()), "saves");
        QTEST(m_window->isVisible(), "open");
        for (const StoredSettings &s : saved) {
            QVERIFY(static_cast<const MainState &>(s) == settings);
            QCOMPARE(QPoint(s.FORM_LEFT, s.FORM_TOP), twips);
            QCOMPARE(s.PCPATH, QDir::toNativeSeparators(settings.PCPATH));
        }
    }

    void chooser_data()
    {
        // clang-format off
        // What the user does; the directory list's path, the drive and the
        // directory list's entries afterwards; SYNC, and whether the own-folder
        // box is enabled.
        const auto row = dataTable<Action, QString, QString, QStringList, int, bool>({ "choose", "path", "drive", "entries", "sync", "ownFolder" });
        // The way down from the volume's root, then the subfolders as a
        // person reads them, hidden ones left out.
        const QStringList start = { "first", "a", "alpha", "b", "Beta", "Ébauche", "Zeta" }, root = { "first", "a" }, b = { "first", "a", "b", "c" };
        row("another drive: its root", picking("second"), "second", "second", QStringList { "second", "c", "ownx", "s" }, 2, true);
        row("and back", Action([this] { picking("second")(), picking("first")(); }), "first", "first", root, 2, true);
        row("the drive shown: nothing", picking("first"), "first/a", "first", start, 2, true);
        row("a drive not ready: nothing", picking("missing"), "first/a", "first", start, 2, true);
        row("a folder, double-click", opening("b", false), "first/a/b", "first", b, 2, true);
        row("a folder, Enter", opening("b", true), "first/a/b", "first", b, 2, true);
        row("the root, Enter", Action([this] { opening(QDir::toNativeSeparators(at("first")), true)(); }), "first", "first", root, 2, true);
        row("a stick pulled: the folder above, on its drive", Action([this] { picking("first/a/b/c")(), QDir(at("first/a/b/c")).removeRecursively(), opening(QDir::toNativeSeparators(at("first/a/b/c")), true)(); }), "first/a/b", "first", QStringList { "first", "a", "b" }, 2, true);
        row("a folder gone: the nearest left", Action([this] { opening("b", true)(), QDir(at("first/a/b")).removeRecursively(), opening("c", false)(); }), "first/a", "first", QStringList { "first", "a", "alpha", "Beta", "Ébauche", "Zeta" }, 2, true);
        // The folder-sync box, from the dimmed tick.
        row("sync: the dimmed tick clicked", clicking("Check_SYNC"), "first/a", "first", start, 0, true);
        row("sync: clicked unticked", clicking("Check_SYNC", 2), "first/a", "first", start, 1, false);
        row("sync: clicked ticked", clicking("Check_SYNC", 3), "first/a", "first", start, 0, true);
        // clang-format on
    }

    // The lists and the sync box, from first/a and the dimmed tick; the
    // drives are listed by their paths, and the own folder keeps its name.
    void chooser()
    {
        StoredSettings settings = stored();
        settings.SYNC = 2;
        open(settings);
        cell<Action>("choose")();
        QTEST(cut(get<DirectoryList>("Dir1")->path()), "path");
        QTEST(cut(get<DriveList>("Drive1")->drive()), "drive");
        QTEST(entries("Dir1"), "entries");
        QCOMPARE(entries("Drive1"), QStringList({ "first", "first/a/b/c", "missing", "second" }));
        QTEST(int(state().SYNC), "sync");
        QTEST(get("Text_PCFLD")->isEnabled(), "ownFolder");
        QCOMPARE(text("Text_PCFLD") + state().PCFLD, u"ownown"_s);
        // A folder chosen is not made the process's own: Windows could then
        // neither rename it nor eject its stick.
        QCOMPARE(QDir::currentPath(), QDir::cleanPath(at("first")));
    }

    // Volumes are read on a thread of their own: a drive that takes seconds
    // to answer, at start-up or when the drive list is opened, holds neither
    // the window nor the drives it lists meanwhile.
    void slowVolumes()
    {
        const VolumeList volumes(
            { { at("second"), u"ext4"_s, {}, {} }, { at("first"), u"ext4"_s, {}, {} } },
            Platform::pathStyle());
        QElapsedTimer answered;
        answered.start();
        const auto slow
            = [volumes] { return std::this_thread::sleep_for(std::chrono::seconds(3)), volumes; };
        m_window = std::make_unique<Seqget_FRM>(*m_run, slow, stored(), &m_prompter);
        m_window->show();
        get<DriveList>("Drive1")->showPopup();
        clicking("Check_SYNC")();
        QVERIFY2(answered.elapsed() < 1500, qPrintable(QString::number(answered.elapsed())));
        QCOMPARE(int(state().SYNC), 1);
        // Meanwhile the top of the path: "/", or its drive.
        QCOMPARE(entries("Drive1").size(), 1);
        QVERIFY(QDir::fromNativeSeparators(at("first")).startsWith(entries("Drive1").value(0)));
        QTRY_COMPARE_WITH_TIMEOUT(entries("Drive1"), QStringList({ "first", "second" }), 10000);
        QCOMPARE(cut(get<DriveList>("Drive1")->drive()), u"first"_s);
    }

    // What Qt draws itself, such as a text box's context menu, reads in the
    // window's language.
    void qtTextsInJapanese()
    {
        QVERIFY(installQtJapanese(*QCoreApplication::instance()));
        QVERIFY(QCoreApplication::translate("QLineEdit", "&Undo").startsWith(u"元に戻す"_s));
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
