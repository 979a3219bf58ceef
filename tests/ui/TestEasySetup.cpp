#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"
#include "TestHttpServer.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace Qt::StringLiterals;

// The easy-setup button and drops, seen through the window: the order of the
// dialogs and of the writes into the boxes, and what reaches MainState.
class TestEasySetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderOfDialogsAndWrites_data();
    void orderOfDialogsAndWrites();
    void drops_data();
    void drops();
    void keyboardOnly_data();
    void keyboardOnly();
};

void TestEasySetup::orderOfDialogsAndWrites_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("events");

    const QString worked = u"http://server/base/images/hana001.jpg"_s;
    QTest::newRow("worked example")
        << worked << "3"
        << "EXT=jpg;ask;KETA=3;FNTOP=hana;FLD=images;URL=http://server/base/";
    QTest::newRow("no dot: message first")
        << "http://server/base/images/hana001"
        << "-1"
        << "noDot;EXT=http://server/base/images/hana001;ask;KETA=-1;FNTOP=;FLD=images;URL=http://"
           "server/base/";
    QTest::newRow("no slash: message after the prompt")
        << "hana001.jpg"
        << "3"
        << "EXT=jpg;ask;KETA=3;noSlash;FNTOP=hana;FLD=;URL=";
    QTest::newRow("cancel keeps digits in prefix")
        << worked << ""
        << "EXT=jpg;ask;KETA=;FNTOP=hana001;FLD=images;URL=http://server/base/";
    // A negative prefix length leaves the prefix empty, and the rest goes on.
    QTest::newRow("answer longer than the name")
        << worked << "9"
        << "EXT=jpg;ask;KETA=9;FNTOP=;FLD=images;URL=http://server/base/";
}

void TestEasySetup::orderOfDialogsAndWrites()
{
    QFETCH(QString, sample);
    QFETCH(QString, answer);
    QFETCH(QString, events);

    ScriptedPrompter prompter;
    prompter.answers << answer;
    Seqget_FRM window(&prompter);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QStringList untouched = { u"5"_s, u"6"_s, u"mine"_s };
    window.jobBox(JobBox::START)->setText(untouched.at(0));
    window.jobBox(JobBox::STOP)->setText(untouched.at(1));
    window.jobBox(JobBox::PCFLD)->setText(untouched.at(2));
    QStringList seen;
    const std::pair<JobBox, QString> boxes[] = { { JobBox::URL, u"URL"_s },
                                                 { JobBox::FLD, u"FLD"_s },
                                                 { JobBox::FNTOP, u"FNTOP"_s },
                                                 { JobBox::EXT, u"EXT"_s },
                                                 { JobBox::KETA, u"KETA"_s } };
    for (const auto &[box, name] : boxes) {
        window.jobBox(box)->setText(u"old"_s); // so that every write shows as a change
        connect(window.jobBox(box), &QLineEdit::textChanged, this,
                [&seen, name](const QString &text) { seen << name + u'=' + text; });
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
    const MainState &state = window.mainState();
    QCOMPARE(QStringList({ state.EXT, state.KETA, state.FNTOP, state.FLD, state.URL }),
             QStringList({ window.jobBox(JobBox::EXT)->text(), answer,
                           window.jobBox(JobBox::FNTOP)->text(), window.jobBox(JobBox::FLD)->text(),
                           window.jobBox(JobBox::URL)->text() }));
    QCOMPARE(QStringList({ state.START, state.STOP, state.PCFLD }), untouched);
    QCOMPARE(sampleBox->currentText(), sample);
    QCOMPARE(QApplication::focusWidget(), window.findChild<QWidget *>(u"Command_GET"_s));
}

void TestEasySetup::drops_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("panelShown");
    QTest::addColumn<bool>("asUriListOnly");

    QTest::newRow("on the window") << "centralwidget" << true << false;
    QTest::newRow("on a job box passes to the window") << "Text_FLD" << true << false;
    QTest::newRow("on the sample box") << "Combo_url" << true << false;
    QTest::newRow("on the window, panel hidden") << "centralwidget" << false << false;
    QTest::newRow("link from a file manager") << "Combo_url" << true << true;
}

void TestEasySetup::drops()
{
    QFETCH(QString, target);
    QFETCH(bool, panelShown);
    QFETCH(bool, asUriListOnly);

    Seqget_FRM window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *sample = window.findChild<QComboBox *>(u"Combo_url"_s);
    if (!panelShown) {
        window.mainState().AUTO = true;
        window.MenuAuto();
        QVERIFY(sample->isHidden());
    }
    sample->setEditText(u"old text"_s);
    window.jobBox(JobBox::FLD)->setText(u"images"_s);
    const QString dropped = u"http://h/x/hana01.png"_s;
    QMimeData data;
    if (asUriListOnly)
        data.setUrls({ QUrl(dropped) });
    else
        data.setText(dropped);

    // Deliver as the drag-and-drop machinery does: to the widget under the
    // cursor, passed up to the first one that takes drops.
    QWidget *widget = window.findChild<QWidget *>(target);
    QWidget *taker = widget->childAt(widget->rect().center());
    taker = taker ? taker : widget;
    while (!taker->acceptDrops())
        taker = taker->parentWidget();
    const QPoint at = taker->mapFromGlobal(widget->mapToGlobal(widget->rect().center()));
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(taker, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(taker, &drop);

    // Only the sample box changes; the analysis does not run.
    QCOMPARE(sample->currentText(), dropped);
    QVERIFY(window.jobBox(JobBox::FLD)->text() == u"images"_s && window.mainState().URL.isEmpty());
}

void TestEasySetup::keyboardOnly_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

// Easy setup and START with the key alone: the focus goes from the easy-setup
// button to START, and the key presses whichever button has it.
void TestEasySetup::keyboardOnly()
{
    QFETCH(int, key);
    TestHttpServer server;
    QVERIFY(server.listen());
    QTemporaryDir base;
    ScriptedPrompter prompter;
    prompter.answers << u"3"_s;
    Seqget_FRM window(&prompter);
    window.setDir1Path(base.path());
    window.jobBox(JobBox::START)->setText(u"1"_s);
    window.jobBox(JobBox::STOP)->setText(u"1"_s);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.findChild<QComboBox *>(u"Combo_url"_s)
        ->setEditText(server.baseUrl() + u"images/hana001.jpg"_s);
    auto *start = window.findChild<QPushButton *>(u"Command_GET"_s);
    window.findChild<QPushButton *>(u"Command_AUTO"_s)->setFocus();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
    QCOMPARE(window.mainState().URL, server.baseUrl());
    QCOMPARE(QApplication::focusWidget(), start);
    QTest::keyClick(start, Qt::Key(key));
    QTRY_COMPARE(server.requestedPaths(), QList<QByteArray>({ "/images/hana001.jpg" }));
    QTRY_COMPARE(start->text(), u"START"_s);
}

QTEST_MAIN(TestEasySetup)
#include "TestEasySetup.moc"
