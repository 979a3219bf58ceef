#include "ScriptedPrompter.h"
#include "Seqget_FRM.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

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
    void proxyOffKeepsHostAndPort();
    void aboutText();
    void usagePageOpensLocally();

private:
    QList<QUrl> m_opened;
};

void TestMenus::togglesTwiceRestore_data()
{
    QTest::addColumn<QString>("entry");
    QTest::newRow("auto") << "MenuAuto";
    QTest::newRow("proxy") << "MenuProxy";
    QTest::newRow("beep") << "MenuBeep";
    QTest::newRow("log") << "MenuLog";
}

void TestMenus::togglesTwiceRestore()
{
    QFETCH(QString, entry);
    ScriptedPrompter prompter;
    prompter.answers << QStringLiteral("host") << QStringLiteral("3128");
    Seqget_FRM window(&prompter);
    MainState &state = window.mainState();
    bool *flags[] = { &state.AUTO, &state.PROXY, &state.BEEP, &state.LOG };
    const QStringList names = { "MenuAuto", "MenuProxy", "MenuBeep", "MenuLog" };
    bool &flag = *flags[names.indexOf(entry)];
    auto *action = window.findChild<QAction *>(entry);

    for (bool before : { false, true }) {
        flag = before;
        action->setChecked(before);
        action->trigger();
        QCOMPARE(flag, !before);
        QCOMPARE(action->isChecked(), !before);
        action->trigger();
        QCOMPARE(flag, before);
        QCOMPARE(action->isChecked(), before);
    }
    // The other flags are left alone.
    for (int i = 0; i < names.size(); ++i) {
        if (names.at(i) != entry)
            QCOMPARE(*flags[i], false);
    }
}

void TestMenus::easySetupPanelFollowsAuto()
{
    Seqget_FRM window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.mainState().AUTO = true;
    window.findChild<QComboBox *>(QStringLiteral("Combo_url"))->setEditText("http://h/a/b1.jpg");
    QList<QWidget *> panel = { window.Label1(10), window.findChild<QWidget *>("Combo_url"),
                               window.findChild<QWidget *>("Command_AUTO") };
    const QRect urlBox = window.jobBox(JobBox::URL)->geometry();

    auto *action = window.findChild<QAction *>(QStringLiteral("MenuAuto"));
    action->trigger();
    for (QWidget *w : panel)
        QVERIFY(w->isHidden());
    // A blank strip stays: nothing moves up.
    QCOMPARE(window.jobBox(JobBox::URL)->geometry(), urlBox);
    action->trigger();
    for (QWidget *w : panel)
        QVERIFY(w->isVisible());
    QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("Combo_url"))->currentText(),
             QStringLiteral("http://h/a/b1.jpg"));
}

void TestMenus::proxyPrompts_data()
{
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");

    QTest::newRow("OK twice unedited") << QStringList { "127.0.0.1", "8080" } << "127.0.0.1"
                                       << "8080";
    QTest::newRow("cancel on host") << QStringList { "", "8080" } << ""
                                    << "8080";
    QTest::newRow("edited") << QStringList { "proxy.example", " 3128 " } << "proxy.example"
                            << " 3128 ";
    QTest::newRow("cancel both") << QStringList { "", "" } << ""
                                 << "";
}

void TestMenus::proxyPrompts()
{
    QFETCH(QStringList, answers);
    QFETCH(QString, host);
    QFETCH(QString, port);

    ScriptedPrompter prompter;
    prompter.answers = answers;
    Seqget_FRM window(&prompter);
    window.mainState().PROXYIP = QStringLiteral("127.0.0.1");
    window.mainState().PORT = QStringLiteral("8080");
    auto *action = window.findChild<QAction *>(QStringLiteral("MenuProxy"));
    // The mark is set before the questions are asked.
    QList<bool> markWhileAsking;
    prompter.onDialog = [&] { markWhileAsking << action->isChecked(); };

    action->trigger();
    QCOMPARE(prompter.shown,
             QStringList({ "ask:プロキシサーバーＩＰアドレス|127.0.0.1",
                           "ask:プロキシ用HTTPポート|8080" }));
    QCOMPARE(markWhileAsking, QList<bool>({ true, true }));
    QCOMPARE(window.mainState().PROXY, true);
    QCOMPARE(window.mainState().PROXYIP, host);
    QCOMPARE(window.mainState().PORT, port);
}

void TestMenus::proxyOffKeepsHostAndPort()
{
    ScriptedPrompter prompter;
    prompter.answers << QStringLiteral("10.1.2.3") << QStringLiteral("3128");
    Seqget_FRM window(&prompter);
    auto *action = window.findChild<QAction *>(QStringLiteral("MenuProxy"));
    action->trigger();
    action->trigger();
    QCOMPARE(prompter.shown.size(), 2); // turning off asks nothing
    QCOMPARE(window.mainState().PROXY, false);
    QCOMPARE(window.mainState().PROXYIP, QStringLiteral("10.1.2.3"));
    QCOMPARE(window.mainState().PORT, QStringLiteral("3128"));

    prompter.answers << QStringLiteral("10.1.2.3") << QStringLiteral("3128");
    action->trigger();
    QCOMPARE(prompter.shown.mid(2),
             QStringList(
                 { "ask:プロキシサーバーＩＰアドレス|10.1.2.3", "ask:プロキシ用HTTPポート|3128" }));
}

void TestMenus::aboutText()
{
    ScriptedPrompter prompter;
    Seqget_FRM window(&prompter);
    window.findChild<QAction *>(QStringLiteral("MenuAbout"))->trigger();
    // U+3000 after the version; every line ends in CR LF.
    QCOMPARE(prompter.shown,
             QStringList({ QStringLiteral("message:Seqget 0.5.0\u3000フリーソフト\r\n"
                                          "連番ファイル ダウンローダー\r\n"
                                          "作者: Seqget 開発チーム\r\n") }));
}

void TestMenus::usagePageOpensLocally()
{
    m_opened.clear();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    Seqget_FRM window;
    window.findChild<QAction *>(QStringLiteral("MenuUssage"))->trigger();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(m_opened.size(), 1);
    QVERIFY(m_opened.first().isLocalFile());
    QVERIFY(m_opened.first().toLocalFile().endsWith(QStringLiteral("/usage/index.html")));
    QFile page(m_opened.first().toLocalFile());
    QVERIFY(page.open(QIODevice::ReadOnly));
    QVERIFY(page.readAll().contains("<html"));
}

QTEST_MAIN(TestMenus)
#include "TestMenus.moc"
