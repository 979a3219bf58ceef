#include "DialogPrompter.h"
#include "DriveList.h"
#include "QtJapanese.h"
#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

// The window as created, its field binding, the proxy entry of the Settings
// menu, and the easy setup: the order of its dialogs and of its writes into
// the boxes, and drops.
class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What a person would not notice in the form: its size, the tab order,
    // what a screen reader is told each control is called, and captions
    // whose katakana come in the other width.
    void asCreated()
    {
        Seqget_FRM window;
        // On Linux Qt names a combo box by its text, so the drive list shows none.
        window.findChild<DriveList *>(u"Drive1"_s)->setVolumes(VolumeList());
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(window.centralWidget()->size(), QSize(418, 324)); // 6270 x 4860 twips
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));

        // Each control in tab order, and whose text its name is: the label
        // beside it, its own caption, or (-) a Japanese name of its own.
        const QStringList order = {
            u"Text_URL Label1_0"_s,
            u"Text_FLD Label1_1"_s,
            u"Check_SYNC Check_SYNC"_s,
            u"Text_FNTOP Label1_4"_s,
            u"Text_START Label1_3"_s,
            u"Text_STOP Label1_5"_s,
            u"Text_KETA Label1_2"_s,
            u"Text_EXT Label1_6"_s,
            u"Text_PCFLD Label1_7"_s,
            u"Command_GET Command_GET"_s,
            u"Drive1 -"_s,
            u"Dir1 -"_s,
            u"Combo_url Label1_10"_s,
            u"Command_AUTO Command_AUTO"_s,
        };
        QStringList visited;
        for (const QString &entry : order) {
            QWidget *focus = QApplication::focusWidget();
            // The sample box's line edit holds the focus on behalf of its combo box.
            while (focus->objectName().isEmpty())
                focus = focus->parentWidget();
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(focus);
            const auto labels = accessible->relations(QAccessible::Label);
            const QString spoken = labels.isEmpty() ? accessible->text(QAccessible::Name)
                                                    : labels.first().first->text(QAccessible::Name);
            const QString source = entry.section(u' ', 1);
            const QObject *named = window.findChild<QObject *>(source);
            const bool right = named
                ? spoken == named->property("text").toString()
                : std::any_of(spoken.cbegin(), spoken.cend(), [](QChar c) { return c > u'\x7f'; });
            visited << focus->objectName() + u' ' + (right ? source : u"named "_s + spoken);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, order);

        QStringList widths;
        for (const char *name : { "Label1_1", "Label1_7", "Check_SYNC", "MenuFile", "MenuAbout",
                                  "Label1_0", "MenuProxy", "MenuLog" }) {
            const QObject *control = window.findChild<QObject *>(QString::fromLatin1(name));
            const QString caption
                = control->property(control->inherits("QMenu") ? "title" : "text").toString();
            int half = 0, full = 0;
            for (const QChar c : caption) {
                half += c >= u'\xff61' && c <= u'\xff9f';
                full += c >= u'\x30a0' && c <= u'\x30ff';
            }
            widths << (half && !full ? u"half"_s : full && !half ? u"full"_s : u"mixed"_s);
        }
        QCOMPARE(widths.join(u' '), u"half half half half half full full full"_s);
    }

    // Each box feeds its own field at every keystroke; the sample box feeds none.
    void fieldBinding()
    {
        Seqget_FRM window;
        const auto fields = [&window] {
            QStringList texts;
            for (const JobField &job : jobFields)
                texts << window.mainState().*job.field;
            return texts;
        };
        QStringList expected = fields();
        for (const JobField &job : jobFields) {
            for (const QChar c : u" x1"_s) {
                QTest::keyClicks(window.jobBox(job.box), QString(c));
                expected[int(job.box)] += c;
                QCOMPARE(fields(), expected);
            }
        }
        window.jobBox(JobBox::KETA)->selectAll();
        QTest::keyClick(window.jobBox(JobBox::KETA), Qt::Key_Delete);
        window.jobBox(JobBox::URL)->setText(u"  set by code "_s);
        expected[int(JobBox::KETA)].clear();
        expected[int(JobBox::URL)] = u"  set by code "_s;
        QTest::keyClicks(window.findChild<QComboBox *>(u"Combo_url"_s), u"http://h/a/b1.jpg"_s);
        QCOMPARE(fields(), expected);
    }

    // On asks for host and port, offering the current ones, with the mark
    // already set, and takes a Cancel as empty; off asks nothing and keeps both.
    void proxyPrompts()
    {
        ScriptedPrompter prompter;
        prompter.answers = { QString(), u" 3128 "_s, QString(), u"3128"_s };
        Seqget_FRM window(&prompter);
        window.mainState().PROXYIP = u"127.0.0.1"_s;
        window.mainState().PORT = u"8080"_s;
        auto *action = window.findChild<QAction *>(u"MenuProxy"_s);
        prompter.onDialog = [&] { prompter.shown.last() += u" %1"_s.arg(action->isChecked()); };
        for (int i = 0; i < 3; ++i) // on, off, on
            action->trigger();
        QCOMPARE(prompter.shown,
                 QStringList({ u"ask:プロキシサーバーＩＰアドレス|127.0.0.1 1"_s,
                               u"ask:プロキシ用HTTPポート|8080 1"_s,
                               u"ask:プロキシサーバーＩＰアドレス| 1"_s,
                               u"ask:プロキシ用HTTPポート| 3128  1"_s }));
        QVERIFY(window.mainState().PROXY && action->isChecked());
        QCOMPARE(window.mainState().PROXYIP + u'|' + window.mainState().PORT, u"|3128"_s);
    }

    void dialogsAndWrites_data()
    {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("events");
        const QString worked = u"http://server/base/images/hana001.jpg"_s;
        const QString rest = u"FLD=images;URL=http://server/base/"_s;
        QTest::newRow("worked example") << worked << "3"
                                        << "EXT=jpg;ask;KETA=3;FNTOP=hana;" + rest;
        QTest::newRow("no dot: message first")
            << worked.chopped(4) << "-1"
            << "noDot;EXT=" + worked.chopped(4) + ";ask;KETA=-1;FNTOP=;" + rest;
        QTest::newRow("no slash: message after the prompt")
            << "hana001.jpg"
            << "3"
            << "EXT=jpg;ask;KETA=3;noSlash;FNTOP=hana;FLD=;URL=";
        QTest::newRow("cancel keeps digits in prefix") << worked << ""
                                                       << "EXT=jpg;ask;KETA=;FNTOP=hana001;" + rest;
        // A negative prefix length leaves the prefix empty, and the rest goes on.
        QTest::newRow("answer longer than the name") << worked << "9"
                                                     << "EXT=jpg;ask;KETA=9;FNTOP=;" + rest;
    }

    // Only the five boxes of the analysis change; the focus ends on START.
    void dialogsAndWrites()
    {
        QFETCH(QString, sample);
        QFETCH(QString, answer);
        QFETCH(QString, events);
        ScriptedPrompter prompter;
        prompter.answers << answer;
        Seqget_FRM window(&prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QStringList seen;
        for (const JobField &job : jobFields) {
            window.jobBox(job.box)->setText(u"old"_s); // so that every write shows as a change
            connect(window.jobBox(job.box), &QLineEdit::textChanged, this,
                    [&seen, key = QString(job.key)](const QString &t) { seen << key + u'=' + t; });
        }
        prompter.onDialog = [&] {
            const QString last = prompter.shown.constLast();
            seen << (last.startsWith(u"ask:連番桁数を入力して下さい|"_s) ? u"ask"_s
                         : last.contains(u"拡張子まで入力"_s)            ? u"noDot"_s
                         : last.contains(u"URLを正しく入力"_s)           ? u"noSlash"_s
                                                                         : last);
        };
        auto *sampleBox = window.findChild<QComboBox *>(u"Combo_url"_s);
        sampleBox->setEditText(sample);
        QTest::mouseClick(window.findChild<QPushButton *>(u"Command_AUTO"_s), Qt::LeftButton);
        QCOMPARE(seen.join(u';'), events);
        QCOMPARE(sampleBox->currentText(), sample);
        QCOMPARE(QApplication::focusWidget(), window.findChild<QWidget *>(u"Command_GET"_s));
    }

    // A drop replaces the sample box's text, whatever it lands on, shown or
    // hidden, and the analysis does not run.
    void drops()
    {
        Seqget_FRM window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *sample = window.findChild<QComboBox *>(u"Combo_url"_s);
        window.jobBox(JobBox::FLD)->setText(u"images"_s);
        const QString dropped = u"http://h/x/hana01.png"_s;
        QStringList taken;
        // Where it lands, whether it comes as a link from a file manager, and
        // whether the easy-setup panel is hidden by then.
        const std::tuple<const char *, bool, bool> cases[] = { { "centralwidget", false, false },
                                                               { "Text_FLD", false, false },
                                                               { "Combo_url", false, false },
                                                               { "Combo_url", true, false },
                                                               { "centralwidget", false, true } };
        for (const auto &[target, link, hidden] : cases) {
            QMimeData data;
            if (link)
                data.setUrls({ QUrl(dropped) });
            else
                data.setText(dropped);
            if (hidden) {
                window.mainState().AUTO = true;
                window.MenuAuto();
            }
            sample->setEditText(u"old text"_s);
            // As the drag-and-drop machinery delivers it: to the widget under
            // the cursor, passed up to the first one that takes drops.
            QWidget *widget = window.findChild<QWidget *>(QString::fromLatin1(target));
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
        QVERIFY(window.jobBox(JobBox::FLD)->text() == u"images"_s
                && window.mainState().URL.isEmpty());
    }

    // The buttons of the real input box, and a job box's context menu.
    void qtTextsInJapanese()
    {
        QVERIFY(installQtJapanese(*QCoreApplication::instance()));
        Seqget_FRM window;
        DialogPrompter prompter(&window);
        QString cancel;
        QTimer::singleShot(0, this, [&cancel] {
            auto *box = QApplication::activeModalWidget()->findChild<QDialogButtonBox *>();
            cancel = box->button(QDialogButtonBox::Cancel)->text();
            box->button(QDialogButtonBox::Cancel)->click();
        });
        QCOMPARE(prompter.askText(u"プロキシ用HTTPポート"_s, u"8080"_s), QString());
        QCOMPARE(cancel, u"キャンセル"_s);
        std::unique_ptr<QMenu> menu(window.jobBox(JobBox::URL)->createStandardContextMenu());
        QVERIFY(menu->actions().first()->text().startsWith(u"元に戻す(&U)"_s));
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
