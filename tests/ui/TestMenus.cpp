#include "DialogPrompter.h"
#include "QtJapanese.h"
#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

using namespace Qt::StringLiterals;

// The Settings and Help menus, driven through their real menu entries.
class TestMenus : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void openUrl(const QUrl &url) { m_opened << url; }

private Q_SLOTS:
    void togglesTwiceRestore_data();
    void togglesTwiceRestore();
    void easySetupPanelFollowsAuto();
    void proxyPrompts_data();
    void proxyPrompts();
    void aboutAndUsage();
    void qtTextsInJapanese();

private:
    QList<QUrl> m_opened;
};

void TestMenus::togglesTwiceRestore_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("auto") << 0;
    QTest::newRow("proxy") << 1;
    QTest::newRow("beep") << 2;
    QTest::newRow("log") << 3;
}

void TestMenus::togglesTwiceRestore()
{
    QFETCH(int, index);
    ScriptedPrompter prompter;
    Seqget_FRM window(&prompter);
    MainState &state = window.mainState();
    bool *flags[] = { &state.AUTO, &state.PROXY, &state.BEEP, &state.LOG };
    const char *names[] = { "MenuAuto", "MenuProxy", "MenuBeep", "MenuLog" };
    auto *action = window.findChild<QAction *>(names[index]);
    for (bool before : { false, true }) {
        *flags[index] = before;
        action->setChecked(before);
        action->trigger();
        QVERIFY(*flags[index] == !before && action->isChecked() == !before);
        action->trigger();
        QVERIFY(*flags[index] == before && action->isChecked() == before);
    }
    for (int i = 0; i < 4; ++i)
        QVERIFY(i == index || !*flags[i]); // the others are left alone
}

void TestMenus::easySetupPanelFollowsAuto()
{
    Seqget_FRM window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.mainState().AUTO = true;
    auto *sample = window.findChild<QComboBox *>(u"Combo_url"_s);
    sample->setEditText(u"http://h/a/b1.jpg"_s);
    const QList<QWidget *> panel
        = { window.Label1(10), sample, window.findChild<QWidget *>(u"Command_AUTO"_s) };
    const QRect urlBox = window.jobBox(JobBox::URL)->geometry();
    auto *action = window.findChild<QAction *>(u"MenuAuto"_s);
    action->trigger();
    for (QWidget *w : panel)
        QVERIFY(w->isHidden());
    QCOMPARE(window.jobBox(JobBox::URL)->geometry(), urlBox); // a blank strip stays
    action->trigger();
    for (QWidget *w : panel)
        QVERIFY(w->isVisible());
    QCOMPARE(sample->currentText(), u"http://h/a/b1.jpg"_s);
}

void TestMenus::proxyPrompts_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::newRow("OK twice unedited") << QStringList { u"127.0.0.1"_s, u"8080"_s };
    QTest::newRow("cancel on host") << QStringList { QString(), u"8080"_s };
    QTest::newRow("edited") << QStringList { u"proxy.example"_s, u" 3128 "_s };
    QTest::newRow("cancel both") << QStringList { QString(), QString() };
}

void TestMenus::proxyPrompts()
{
    QFETCH(QStringList, answers);
    ScriptedPrompter prompter;
    prompter.answers = answers;
    Seqget_FRM window(&prompter);
    window.mainState().PROXYIP = u"127.0.0.1"_s;
    window.mainState().PORT = u"8080"_s;
    auto *action = window.findChild<QAction *>(u"MenuProxy"_s);
    QList<bool> markWhileAsking; // the mark is set before the questions
    prompter.onDialog = [&] { markWhileAsking << action->isChecked(); };

    action->trigger();
    const QStringList asked
        = { u"ask:プロキシサーバーＩＰアドレス|127.0.0.1"_s, u"ask:プロキシ用HTTPポート|8080"_s };
    QCOMPARE(prompter.shown, asked);
    QCOMPARE(markWhileAsking, QList<bool>({ true, true }));
    QVERIFY(window.mainState().PROXY);
    QCOMPARE(window.mainState().PROXYIP, answers.at(0));
    QCOMPARE(window.mainState().PORT, answers.at(1));

    // Off asks nothing and keeps both; on again offers them.
    action->trigger();
    QVERIFY(!window.mainState().PROXY && !action->isChecked());
    QCOMPARE(prompter.shown.size(), 2);
    action->trigger();
    QCOMPARE(prompter.shown.mid(2),
             QStringList({ u"ask:プロキシサーバーＩＰアドレス|"_s + answers.at(0),
                           u"ask:プロキシ用HTTPポート|"_s + answers.at(1) }));
}

void TestMenus::aboutAndUsage()
{
    ScriptedPrompter prompter;
    Seqget_FRM window(&prompter);
    window.findChild<QAction *>(u"MenuAbout"_s)->trigger();
    // U+3000 after the version; every line ends in CR LF.
    QCOMPARE(prompter.shown,
             QStringList({ u"message:Seqget 0.5.0\u3000フリーソフト\r\n"
                           u"連番ファイル ダウンローダー\r\n"
                           u"作者: Seqget 開発チーム\r\n"_s }));

    m_opened.clear();
    QDesktopServices::setUrlHandler(u"file"_s, this, "openUrl");
    window.findChild<QAction *>(u"MenuUssage"_s)->trigger();
    QDesktopServices::unsetUrlHandler(u"file"_s);
    QCOMPARE(m_opened.size(), 1);
    QFile page(m_opened.first().toLocalFile());
    QVERIFY(page.fileName().endsWith(u"/usage/index.html"_s));
    QVERIFY(page.open(QIODevice::ReadOnly) && page.readAll().contains("<html"));
}

// The buttons of the real input box, and a job box's context menu.
void TestMenus::qtTextsInJapanese()
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

QTEST_MAIN(TestMenus)
#include "TestMenus.moc"
