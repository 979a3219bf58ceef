#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

// The easy-setup button and drops, seen through the window: the order of the
// dialogs and of the writes into the boxes, and what reaches MainState.
class TestEasySetup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void orderOfDialogsAndWrites_data();
    void orderOfDialogsAndWrites();
    void fieldsReachStateAndFocus();
    void drops_data();
    void drops();
};

void TestEasySetup::orderOfDialogsAndWrites_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("events");

    const QString ask = QStringLiteral("ask:連番桁数を入力して下さい|");
    const QString noDot = QStringLiteral("message:ファイル名の拡張子まで入力して下さい");
    const QString noSlash = QStringLiteral("message:URLを正しく入力して下さい");
    QTest::newRow("worked example")
        << "http://server/base/images/hana001.jpg"
        << "3" << QStringList { "EXT=jpg",    ask,          "KETA=3",
                                "FNTOP=hana", "FLD=images", "URL=http://server/base/" };
    QTest::newRow("no dot: message first, whole sample as extension")
        << "http://server/base/images/hana001"
        << "-1"
        << QStringList { noDot,
                         "EXT=http://server/base/images/hana001",
                         ask,
                         "KETA=-1",
                         "FNTOP=",
                         "FLD=images",
                         "URL=http://server/base/" };
    QTest::newRow("no slash: message after the prompt")
        << "hana001.jpg"
        << "3" << QStringList { "EXT=jpg", ask, "KETA=3", noSlash, "FNTOP=hana", "FLD=", "URL=" };
    QTest::newRow("cancel keeps digits in prefix")
        << "http://server/base/images/hana001.jpg"
        << "" << QStringList { "EXT=jpg",       ask,          "KETA=",
                               "FNTOP=hana001", "FLD=images", "URL=http://server/base/" };
    // A digit count larger than the name: the prefix is left empty and the
    // rest goes on.
    QTest::newRow("negative prefix length")
        << "http://server/base/images/hana001.jpg"
        << "9" << QStringList { "EXT=jpg", ask,          "KETA=9",
                                "FNTOP=",  "FLD=images", "URL=http://server/base/" };
}

void TestEasySetup::orderOfDialogsAndWrites()
{
    QFETCH(QString, sample);
    QFETCH(QString, answer);
    QFETCH(QStringList, events);

    ScriptedPrompter prompter;
    prompter.answers << answer;
    Seqget_FRM window(&prompter);
    QStringList seen;
    const std::pair<JobBox, const char *> boxes[] = { { JobBox::URL, "URL" },
                                                      { JobBox::FLD, "FLD" },
                                                      { JobBox::FNTOP, "FNTOP" },
                                                      { JobBox::EXT, "EXT" },
                                                      { JobBox::KETA, "KETA" } };
    // Start from other texts, so that every write shows as a change.
    for (auto [box, name] : boxes)
        window.jobBox(box)->setText(QStringLiteral("old"));
    for (auto [box, name] : boxes) {
        const QString label = QString::fromLatin1(name);
        connect(window.jobBox(box), &QLineEdit::textChanged, this,
                [&seen, label](const QString &text) { seen << label + u'=' + text; });
    }
    prompter.onDialog = [&] { seen << prompter.shown.constLast(); };

    window.findChild<QComboBox *>(QStringLiteral("Combo_url"))->setEditText(sample);
    window.Command_AUTO_Click();
    QCOMPARE(seen, events);
}

void TestEasySetup::fieldsReachStateAndFocus()
{
    ScriptedPrompter prompter;
    prompter.answers << QStringLiteral("3");
    Seqget_FRM window(&prompter);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    window.jobBox(JobBox::START)->setText(QStringLiteral("5"));
    window.jobBox(JobBox::STOP)->setText(QStringLiteral("6"));
    window.jobBox(JobBox::PCFLD)->setText(QStringLiteral("mine"));
    auto *sample = window.findChild<QComboBox *>(QStringLiteral("Combo_url"));
    sample->setEditText(QStringLiteral("http://server/base/images/hana001.jpg"));

    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("Command_AUTO")),
                      Qt::LeftButton);

    const MainState &state = window.mainState();
    QCOMPARE(state.EXT, QStringLiteral("jpg"));
    QCOMPARE(state.KETA, QStringLiteral("3"));
    QCOMPARE(state.FNTOP, QStringLiteral("hana"));
    QCOMPARE(state.FLD, QStringLiteral("images"));
    QCOMPARE(state.URL, QStringLiteral("http://server/base/"));
    // Untouched: the numbers, the own folder, the sample itself.
    QCOMPARE(state.START, QStringLiteral("5"));
    QCOMPARE(state.STOP, QStringLiteral("6"));
    QCOMPARE(state.PCFLD, QStringLiteral("mine"));
    QCOMPARE(sample->currentText(), QStringLiteral("http://server/base/images/hana001.jpg"));
    QCOMPARE(QApplication::focusWidget(), window.findChild<QWidget *>("Command_GET"));
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
    auto *sample = window.findChild<QComboBox *>(QStringLiteral("Combo_url"));
    if (!panelShown) {
        window.mainState().AUTO = true;
        window.MenuAuto();
        QVERIFY(sample->isHidden());
    }
    sample->setEditText(QStringLiteral("old text"));
    window.jobBox(JobBox::FLD)->setText(QStringLiteral("images"));

    const QString dropped = QStringLiteral("http://h/x/hana01.png");
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
    QCOMPARE(window.jobBox(JobBox::FLD)->text(), QStringLiteral("images"));
    QCOMPARE(window.mainState().FLD, QStringLiteral("images"));
    QCOMPARE(window.mainState().URL, QString());
}

QTEST_MAIN(TestEasySetup)
#include "TestEasySetup.moc"
