#include "DirectoryList.h"
#include "Seqget_FRM.h"
#include "StatusLine.h"
#include "TestHttpServer.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typingUpdatesFieldAtOnce_data();
    void typingUpdatesFieldAtOnce();
    void sampleBoxIsBoundToNothing();
    void runStartedAndStoppedByClicks();
    void editsDuringRunRenameRemainingFiles();
    void closingDuringStalledFetch();

private:
    static QString field(const MainState &state, JobBox box);
    static void prepareJob(Seqget_FRM &window, const QString &url, const QString &base);
};

QString TestMainWindow::field(const MainState &state, JobBox box)
{
    return state.*jobField(box).field;
}

void TestMainWindow::typingUpdatesFieldAtOnce_data()
{
    QTest::addColumn<JobBox>("box");
    QTest::addColumn<QString>("typed");
    QTest::newRow("URL") << JobBox::URL << "http://h/";
    QTest::newRow("FLD") << JobBox::FLD << "img";
    QTest::newRow("FNTOP") << JobBox::FNTOP << "ha na";
    QTest::newRow("EXT") << JobBox::EXT << "*";
    QTest::newRow("KETA not a number") << JobBox::KETA << "x3";
    QTest::newRow("START") << JobBox::START << " 1";
    QTest::newRow("STOP") << JobBox::STOP << "99999";
    QTest::newRow("PCFLD") << JobBox::PCFLD << "mine";
}

void TestMainWindow::typingUpdatesFieldAtOnce()
{
    QFETCH(JobBox, box);
    QFETCH(QString, typed);
    Seqget_FRM window;
    QLineEdit *edit = window.jobBox(box);
    QString expected;
    for (QChar c : typed) {
        QTest::keyClicks(edit, QString(c));
        expected += c;
        // The field never lags behind the box, not even between keystrokes.
        QCOMPARE(field(window.mainState(), box), expected);
    }
    for (const JobField &other : jobFields) {
        if (other.box != box)
            QCOMPARE(window.mainState().*other.field, QString());
    }
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(field(window.mainState(), box), QString());
    edit->setText(QStringLiteral("  set by code "));
    QCOMPARE(field(window.mainState(), box), QStringLiteral("  set by code "));
}

void TestMainWindow::sampleBoxIsBoundToNothing()
{
    Seqget_FRM window;
    auto *sample = window.findChild<QComboBox *>(QStringLiteral("Combo_url"));
    QTest::keyClicks(sample->lineEdit(), QStringLiteral("http://h/a/b1.jpg"));
    QCOMPARE(sample->currentText(), QStringLiteral("http://h/a/b1.jpg"));
    for (const JobField &job : jobFields)
        QCOMPARE(window.mainState().*job.field, QString());
}

void TestMainWindow::prepareJob(Seqget_FRM &window, const QString &url, const QString &base)
{
    const QStringList texts = { url, "images", "hana", "jpg", "3", "1", "3", "mine" };
    for (const JobField &job : jobFields)
        window.jobBox(job.box)->setText(texts.at(int(job.box)));
    window.setSyncValue(1);
    window.findChild<DirectoryList *>(QStringLiteral("Dir1"))->setPath(base);
}

void TestMainWindow::runStartedAndStoppedByClicks()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    for (int i = 1; i <= 3; ++i) {
        TestResponse response;
        response.body = QByteArray("picture ") + QByteArray::number(i);
        response.hold = i == 2;
        server.setResponse("/images/hana00" + QByteArray::number(i) + ".jpg", response);
    }

    QTemporaryDir base;
    Seqget_FRM window;
    prepareJob(window, server.baseUrl(), base.path());
    auto *button = window.findChild<QPushButton *>(QStringLiteral("Command_GET"));

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), QStringLiteral("STOP"));
    QVERIFY(window.mainState().Running);
    QTRY_COMPARE(server.requestedPaths().size(), 2);
    // The lines show what the run gave them, at the latest with the next frame.
    QCOMPARE(window.statusText(0), server.baseUrl() + "images/hana002.jpg");
    QTRY_COMPARE(window.Label_STS(0)->text(), server.baseUrl() + "images/hana002.jpg");
    QTRY_COMPARE(window.Label_STS(1)->text(), base.path() + "/images/hana002.jpg");

    // A stop during the fetch of file 2: file 2 is still saved, file 3 never asked.
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(!window.mainState().Running);
    QCOMPARE(button->text(), QStringLiteral("STOP"));
    // A further press while the stopped run finishes its file starts nothing.
    QTest::mouseClick(button, Qt::LeftButton);
    server.release("/images/hana002.jpg");
    // START comes back only after the run's last transfer has ended, so every
    // request it made has reached the server by now.
    QTRY_COMPARE(button->text(), QStringLiteral("START"));
    QCOMPARE(server.requestedPaths(),
             QList<QByteArray>({ "/images/hana001.jpg", "/images/hana002.jpg" }));
    QFile second(base.path() + "/images/hana002.jpg");
    QVERIFY(second.open(QIODevice::ReadOnly));
    QCOMPARE(second.readAll(), QByteArray("picture 2"));
    QVERIFY(!QFile::exists(base.path() + "/images/hana003.jpg"));
}

void TestMainWindow::editsDuringRunRenameRemainingFiles()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    TestResponse held;
    held.body = "one";
    held.hold = true;
    server.setResponse("/images/hana001.jpg", held);
    TestResponse plain;
    plain.body = "two";
    server.setResponse("/images/other002.jpg", plain);
    server.setResponse("/images/other003.jpg", plain);

    QTemporaryDir base;
    QVERIFY(QDir(base.path()).mkpath(QStringLiteral("elsewhere/images")));
    Seqget_FRM window;
    prepareJob(window, server.baseUrl(), base.path());
    QTest::mouseClick(window.findChild<QPushButton *>("Command_GET"), Qt::LeftButton);
    QTRY_COMPARE(server.requestedPaths().size(), 1);
    // Changed while file 1 is in transfer: the names of the rest of the series
    // follow, and every file, the one in progress too, is saved under the base
    // directory as it is when the file is saved.
    window.jobBox(JobBox::FNTOP)->selectAll();
    QTest::keyClicks(window.jobBox(JobBox::FNTOP), QStringLiteral("other"));
    window.findChild<DirectoryList *>(QStringLiteral("Dir1"))->setPath(base.path() + "/elsewhere");
    server.release("/images/hana001.jpg");
    QTRY_COMPARE(window.mainState().Running, false);
    QCOMPARE(server.requestedPaths(),
             QList<QByteArray>(
                 { "/images/hana001.jpg", "/images/other002.jpg", "/images/other003.jpg" }));
    QCOMPARE(QDir(base.path() + "/elsewhere/images").entryList(QDir::Files | QDir::Hidden),
             QStringList({ "hana001.jpg", "other002.jpg", "other003.jpg" }));
    QCOMPARE(QDir(base.path() + "/images").entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestMainWindow::closingDuringStalledFetch()
{
    TestHttpServer server;
    QVERIFY(server.listen());
    TestResponse stalled;
    stalled.body = QByteArray(100000, 'x');
    stalled.sentLength = 5000;
    stalled.ending = TestResponse::Ending::Stall;
    server.setResponse("/images/hana001.jpg", stalled);

    QTemporaryDir base;
    QPointer<Seqget_FRM> window = new Seqget_FRM;
    window->setAttribute(Qt::WA_DeleteOnClose);
    prepareJob(*window, server.baseUrl(), base.path());
    window->show();
    QTest::mouseClick(window->findChild<QPushButton *>(QStringLiteral("Command_GET")),
                      Qt::LeftButton);
    const QDir folder(base.path() + "/images");
    const auto files
        = [&folder] { return folder.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); };
    // The body is being saved: its temporary file is there.
    QTRY_COMPARE(files().size(), 1);
    window->close();
    QTRY_VERIFY(window.isNull());
    // The aborted transfer is over once the server sees its connection closed.
    QTRY_COMPARE(server.openConnections(), 0);
    QCOMPARE(files(), QStringList());
}

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
