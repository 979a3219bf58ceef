#include "DriveList.h"
#include "Seqget_FRM.h"
#include "StatusLine.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <algorithm>

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
    void accessibleNames_data();
    void accessibleNames();
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

void TestWindowLayout::accessibleNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("label"); // Label1 index; -1: its own caption; -2: a name of its own
    const std::pair<const char *, int> rows[]
        = { { "Text_URL", 0 },    { "Text_FLD", 1 },     { "Text_KETA", 2 },
            { "Text_START", 3 },  { "Text_FNTOP", 4 },   { "Text_STOP", 5 },
            { "Text_EXT", 6 },    { "Text_PCFLD", 7 },   { "Combo_url", 10 },
            { "Check_SYNC", -1 }, { "Command_GET", -1 }, { "Command_AUTO", -1 },
            { "Drive1", -2 },     { "Dir1", -2 } };
    for (const auto &[name, label] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << label;
}

// What a screen reader is told each control is called, read through Qt's
// accessibility interface.
void TestWindowLayout::accessibleNames()
{
    QFETCH(QString, name);
    QFETCH(int, label);
    Seqget_FRM window;
    auto *control = window.findChild<QWidget *>(name);
    // On Linux Qt names a combo box by its text, so the drive list is asked
    // with no drive shown; the sample box's label comes as a relation.
    if (auto *drives = qobject_cast<DriveList *>(control))
        drives->setVolumes(VolumeList());
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    const auto labels = accessible->relations(QAccessible::Label);
    const QString spoken = !labels.isEmpty() ? labels.first().first->text(QAccessible::Name)
                                             : accessible->text(QAccessible::Name);
    if (label >= 0)
        QCOMPARE(spoken, window.Label1(label)->text());
    else if (label == -1)
        QCOMPARE(spoken, qobject_cast<QAbstractButton *>(control)->text());
    else // Japanese, not left empty or English
        QVERIFY2(std::any_of(spoken.cbegin(), spoken.cend(), [](QChar c) { return c > u'\x7f'; }),
                 qPrintable(spoken));
}

QTEST_MAIN(TestWindowLayout)
#include "TestWindowLayout.moc"
