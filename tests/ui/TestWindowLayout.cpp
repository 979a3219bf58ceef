#include "Seqget_FRM.h"
#include "StatusLine.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Qt::StringLiterals;

// The window's controls against the layout table, written out here in twips
// as the design gives them, so a slip in the form shows up as a wrong figure.
class TestWindowLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controls_data();
    void controls();
    void labelGroups();
    void menus();
    void tabOrderAndFocus();
    void fixedSize();
};

void TestWindowLayout::controls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<QString>("toolTip");

    const QString example = QStringLiteral("\"http://www.example.com/images/hana1.jpg\"");
    auto row = [](const char *name, const char *kind, const QString &caption, int l, int t, int w,
                  int h, const QString &tip) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(kind) << caption
                            << QRect(l, t, w, h) << tip;
    };
    row("Label1_10", "QLabel", "簡単設定URL", 0, 120, 1095, 255, "");
    row("Combo_url", "QComboBox", "", 1200, 120, 3375, 300, "");
    row("Command_AUTO", "QPushButton", "簡単設定", 4680, 120, 1575, 255, "開始URLからの簡単設定");
    row("Label1_0", "QLabel", "ベースURL", 0, 480, 1095, 255, "");
    row("Text_URL", "QLineEdit", "", 1200, 480, 5055, 270,
        example + "なら、\"http://www.example.com/\"");
    row("Label1_1", "QLabel", "ﾌｫﾙﾀﾞ初期値", 0, 840, 1095, 255, "");
    row("Text_FLD", "QLineEdit", "", 1200, 840, 3255, 270, example + "なら、\"images\"");
    row("Check_SYNC", "QCheckBox", "ﾌｫﾙﾀﾞ同期する", 4680, 840, 1575, 255,
        "PCに同じﾌｫﾙﾀﾞを作る場合にﾁｪｯｸ");
    row("Label1_4", "QLabel", "ﾌｧｲﾙ名付加", 0, 1200, 1095, 255, "");
    row("Text_FNTOP", "QLineEdit", "", 1200, 1200, 5055, 270, example + "なら、\"hana\"");
    row("Label1_3", "QLabel", "開始番号", 0, 1560, 1095, 255, "");
    row("Text_START", "QLineEdit", "", 1200, 1560, 3255, 270, "hana0からhana8なら、\"0\"");
    row("Label1_2", "QLabel", "番号の桁数", 4680, 1560, 975, 255, "");
    row("Text_KETA", "QLineEdit", "", 5640, 1560, 615, 270, "hana001.jpgなら\"3\"");
    row("Label1_5", "QLabel", "終了番号", 0, 1920, 1095, 255, "");
    row("Text_STOP", "QLineEdit", "", 1200, 1920, 3255, 270, "hana0からhana8なら、\"8\"");
    row("Label1_6", "QLabel", "ﾌｧｲﾙ拡張子", 4680, 1920, 975, 255, "");
    row("Text_EXT", "QLineEdit", "", 5640, 1920, 615, 270, "hana001.jpgなら\"jpg\"");
    row("Label1_7", "QLabel", "ﾀﾞｳﾝﾛｰﾄﾞ先", 0, 2280, 975, 255, "");
    row("Text_PCFLD", "QLineEdit", "", 1200, 2280, 5055, 270, "PCにｵﾘｼﾞﾅﾙﾌｫﾙﾀﾞを指定します");
    row("Drive1", "QComboBox", "", 0, 2640, 1095, 300, "PCのﾄﾞﾗｲﾌﾞを指定します");
    row("Dir1", "QListWidget", "", 1200, 2640, 5055, 930, "");
    row("Command_GET", "QPushButton", "START", 0, 3000, 1095, 615, "ﾀﾞｳﾝﾛｰﾄﾞを開始します");
    row("Label_STS_0", "QLabel", "", 0, 3720, 6255, 495, "ﾀﾞｳﾝﾛｰﾄﾞ中のURL");
    row("Label_STS_1", "QLabel", "", 0, 4320, 6255, 495, "ﾀﾞｳﾝﾛｰﾄﾞ格納先");
}

void TestWindowLayout::controls()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QRect, twips);
    QFETCH(QString, toolTip);

    Seqget_FRM window;
    auto *control = window.findChild<QWidget *>(name);
    QVERIFY(control);
    QVERIFY2(control->inherits(kind.toLatin1().constData()), control->metaObject()->className());
    QCOMPARE(control->geometry(),
             QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
    QCOMPARE(control->toolTip(), toolTip);
    QVERIFY(control->isEnabled());
    QVERIFY(!control->isHidden());
    if (auto *label = qobject_cast<QLabel *>(control))
        QCOMPARE(label->text(), caption);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        QVERIFY(button->text() == caption && !button->isChecked());
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        QCOMPARE(edit->text(), QString());
    if (auto *combo = qobject_cast<QComboBox *>(control); combo && name == "Combo_url")
        QVERIFY(combo->isEditable() && combo->count() == 0 && combo->currentText().isEmpty());
}

void TestWindowLayout::labelGroups()
{
    // The captions are checked with the control table; here only the mapping.
    Seqget_FRM window;
    for (int i = -1; i <= 11; ++i) {
        QLabel *label = window.Label1(i);
        QCOMPARE(label ? label->objectName() : QString(),
                 (i < 0 || i == 8 || i == 9 || i == 11) ? QString() : u"Label1_%1"_s.arg(i));
    }
    QCOMPARE(window.Label_STS(1)->objectName(), u"Label_STS_1"_s);
    QVERIFY(!window.Label_STS(2));
}

void TestWindowLayout::menus()
{
    Seqget_FRM window;
    QMenuBar *bar = window.menuBar();
    const QList<QAction *> tops = bar->actions();
    QCOMPARE(tops.size(), 3);

    const QList<QStringList> expected = {
        { "ﾌｧｲﾙ(&F)", "MenuSave:設定保存(&S)", "MenuEnd:終了(&X)" },
        { "設定(&S)", "MenuAuto:簡単設定(&A)", "MenuProxy:プロキシ(&P)", "MenuBeep:完了通知音(&T)",
          "MenuLog:ダウンロードログ(&L)" },
        { "ﾍﾙﾌﾟ(&H)", "MenuUssage:使い方(&U)", "MenuAbout:ﾊﾞｰｼﾞｮﾝ情報(&A)" },
    };
    const QStringList menuNames = { "MenuFile", "MenuSetting", "MenuHelp" };
    for (int m = 0; m < 3; ++m) {
        QMenu *menu = tops.at(m)->menu();
        QVERIFY(menu);
        QCOMPARE(menu->objectName(), menuNames.at(m));
        QCOMPARE(menu->title(), expected.at(m).first());
        QStringList items;
        for (QAction *item : menu->actions()) {
            items << item->objectName() + u':' + item->text();
            QVERIFY(item->isEnabled());
            QVERIFY(item->isVisible());
            QVERIFY(item->shortcut().isEmpty());
            // Only the beep entry is ticked as the window is created.
            QCOMPARE(item->isChecked(), item->objectName() == "MenuBeep");
        }
        QCOMPARE(items, expected.at(m).mid(1));
    }
}

void TestWindowLayout::tabOrderAndFocus()
{
    Seqget_FRM window;
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(QApplication::focusWidget()->objectName(), QStringLiteral("Text_URL"));

    const QStringList order
        = { "Text_URL",  "Text_FLD",  "Check_SYNC", "Text_FNTOP",  "Text_START",
            "Text_STOP", "Text_KETA", "Text_EXT",   "Text_PCFLD",  "Command_GET",
            "Drive1",    "Dir1",      "Combo_url",  "Command_AUTO" };
    QStringList visited;
    for (int i = 0; i < order.size(); ++i) {
        QWidget *focus = QApplication::focusWidget();
        // The sample box's line edit holds the focus on behalf of its combo box.
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget();
        visited << (focus ? focus->objectName() : QString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(visited, order);
}

void TestWindowLayout::fixedSize()
{
    Seqget_FRM window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(window.centralWidget()->size(), QSize(418, 324));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
}

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
