#include "FileSaver.h"
#include "RunRig.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestFileSaver : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void replacesLongerFileExactly();
    void nothingReceived_data();
    void nothingReceived();
    void symlinkAtDestinationIsReplaced();
    void danglingSymlinkIsNotFollowed();
    void temporaryFileGoesWithTheSaver();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QString m_outside;
};

void TestFileSaver::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("local")));
    m_folder = m_dir->path() + QStringLiteral("/local");
    m_outside = m_dir->path() + QStringLiteral("/outside");
}

void TestFileSaver::replacesLongerFileExactly()
{
    const QString destination = m_folder + QStringLiteral("/a.jpg");
    QVERIFY(writeFile(destination, QByteArray(5000, 'o')));
    FileSaver saver;
    QVERIFY(saver.begin(m_folder));
    saver.device()->write("new");
    QVERIFY(saver.commit(destination, true));
    QCOMPARE(readAll(destination), QByteArray("new"));
    QCOMPARE(entriesBelow(m_folder), QStringList { QStringLiteral("a.jpg") });
    QVERIFY(QFileInfo(destination).permissions() & QFileDevice::ReadOther);
}

void TestFileSaver::nothingReceived_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("partial");

    QTest::newRow("failed, file exists") << true << false << QByteArray("part");
    QTest::newRow("failed, file missing") << false << false << QByteArray("part");
    QTest::newRow("empty body, file exists") << true << true << QByteArray();
    QTest::newRow("empty body, file missing") << false << true << QByteArray();
}

void TestFileSaver::nothingReceived()
{
    QFETCH(bool, exists);
    QFETCH(bool, ok);
    QFETCH(QByteArray, partial);
    const QString destination = m_folder + QStringLiteral("/a.jpg");
    if (exists)
        QVERIFY(writeFile(destination, "old bytes"));
    FileSaver saver;
    QVERIFY(saver.begin(m_folder));
    saver.device()->write(partial);
    QVERIFY(!saver.commit(destination, ok));
    QCOMPARE(readAll(destination), exists ? QByteArray("old bytes") : QByteArray());
    QCOMPARE(entriesBelow(m_folder), QStringList { QStringLiteral("a.jpg") });
}

void TestFileSaver::symlinkAtDestinationIsReplaced()
{
    const QString destination = m_folder + QStringLiteral("/a.jpg");
    QVERIFY(writeFile(m_outside, "keep me"));
    QVERIFY(QFile::link(m_outside, destination));
    FileSaver saver;
    QVERIFY(saver.begin(m_folder));
    saver.device()->write("new");
    QVERIFY(saver.commit(destination, true));
    QCOMPARE(readAll(m_outside), QByteArray("keep me"));
    QVERIFY(!QFileInfo(destination).isSymLink());
    QCOMPARE(readAll(destination), QByteArray("new"));
}

void TestFileSaver::danglingSymlinkIsNotFollowed()
{
    const QString destination = m_folder + QStringLiteral("/a.jpg");
    QVERIFY(QFile::link(m_outside, destination));
    FileSaver saver;
    QVERIFY(saver.begin(m_folder));
    QVERIFY(!saver.commit(destination, false));
    QVERIFY(!QFileInfo::exists(m_outside));
}

void TestFileSaver::temporaryFileGoesWithTheSaver()
{
    {
        FileSaver saver;
        QVERIFY(saver.begin(m_folder));
        saver.device()->write("partial");
        QCOMPARE(entriesBelow(m_folder).size(), 1);
    }
    QCOMPARE(entriesBelow(m_folder), QStringList());
    FileSaver saver;
    QVERIFY(!saver.begin(m_dir->path() + QStringLiteral("/missing")));
    QCOMPARE(saver.device(), nullptr);
}

QTEST_GUILESS_MAIN(TestFileSaver)
#include "TestFileSaver.moc"
