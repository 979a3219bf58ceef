#include "SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void absentFileIsNotCreatedByReading();
    void fileIsPlainText();
    void handEditedValues_data();
    void handEditedValues();
    void damagedFileReadsDefaultsAndStaysUnchanged_data();
    void damagedFileReadsDefaultsAndStaysUnchanged();
    void unreadableFileReadsDefaults();
    void writeAfterDamageReplacesFile();

private:
    QString writeFile(const QByteArray &bytes);
    QByteArray fileBytes() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void TestSettingsStore::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_path = m_dir->filePath(QStringLiteral("Seqget.ini"));
}

QString TestSettingsStore::writeFile(const QByteArray &bytes)
{
    QFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return m_path;
}

QByteArray TestSettingsStore::fileBytes() const
{
    QFile file(m_path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void TestSettingsStore::absentFileIsNotCreatedByReading()
{
    {
        SettingsStore store(m_path);
        QCOMPARE(store.read(QStringLiteral("URL"), QStringLiteral("dflt")), QStringLiteral("dflt"));
        QVERIFY(!store.isDamaged());
    }
    QVERIFY(!QFile::exists(m_path));
}

// A person must be able to read and edit the store: one section, one key a line,
// Japanese as UTF-8 rather than escapes.
void TestSettingsStore::fileIsPlainText()
{
    {
        SettingsStore store(m_path);
        store.write(QStringLiteral("FLD"), QStringLiteral("images"));
        store.write(QStringLiteral("PCFLD"), QStringLiteral("花の写真"));
        store.sync();
    }
    const QString text = QString::fromUtf8(fileBytes());
    QVERIFY2(text.startsWith(QStringLiteral("[STARTUP]\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nFLD=images\n")), qPrintable(text));
    QVERIFY2(text.contains(QStringLiteral("\nPCFLD=花の写真\n")), qPrintable(text));
}

void TestSettingsStore::handEditedValues_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QByteArray("URL=http://h/a/") << QStringLiteral("http://h/a/");
    QTest::newRow("unquoted comma") << QByteArray("URL=a,b") << QStringLiteral("a,b");
    QTest::newRow("comma and blank") << QByteArray("URL=a, b,c") << QStringLiteral("a,b,c");
    QTest::newRow("quoted") << QByteArray("URL=\" a,b \"") << QStringLiteral(" a,b ");
    QTest::newRow("empty") << QByteArray("URL=") << QString();
    QTest::newRow("byte array") << QByteArray("URL=@ByteArray(xyz)") << QStringLiteral("xyz");
    QTest::newRow("not text") << QByteArray("URL=@Rect(1 2 3 4)") << QStringLiteral("dflt");
}

void TestSettingsStore::handEditedValues()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, expected);
    QVERIFY(!writeFile("[STARTUP]\n" + line + "\n").isEmpty());
    SettingsStore store(m_path);
    QCOMPARE(store.read(QStringLiteral("URL"), QStringLiteral("dflt")), expected);
}

void TestSettingsStore::damagedFileReadsDefaultsAndStaysUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QByteArray binary;
    for (int i = 0; i < 512; ++i)
        binary.append(char((i * 73 + 11) % 256));
    QTest::newRow("binary") << binary;
    QTest::newRow("NUL inside") << QByteArray("[STARTUP]\nURL=x\0y\n", 18);
    QTest::newRow("not UTF-8") << QByteArray("[STARTUP]\nURL=\xff\xfe\x80x\n");
    QTest::newRow("broken section") << QByteArray("[STARTUP\nURL=x\n");
}

void TestSettingsStore::damagedFileReadsDefaultsAndStaysUnchanged()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(!writeFile(bytes).isEmpty());
    {
        SettingsStore store(m_path);
        QVERIFY(store.isDamaged());
        QCOMPARE(store.read(QStringLiteral("URL"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    }
    QCOMPARE(fileBytes(), bytes);
}

void TestSettingsStore::unreadableFileReadsDefaults()
{
    if (geteuid() == 0)
        QSKIP("root reads every file");
    const QByteArray bytes("[STARTUP]\nURL=stored\n");
    QVERIFY(!writeFile(bytes).isEmpty());
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::WriteOwner));
    {
        SettingsStore store(m_path);
        QVERIFY(store.isDamaged());
        QCOMPARE(store.read(QStringLiteral("URL"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    }
    QVERIFY(QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    QCOMPARE(fileBytes(), bytes);
}

void TestSettingsStore::writeAfterDamageReplacesFile()
{
    QVERIFY(!writeFile("[STARTUP\nOLD=x\n").isEmpty());
    {
        SettingsStore store(m_path);
        QVERIFY(store.isDamaged());
        store.write(QStringLiteral("URL"), QStringLiteral("new"));
        store.sync();
    }
    QCOMPARE(fileBytes(), QByteArray("[STARTUP]\nURL=new\n"));
    SettingsStore again(m_path);
    QVERIFY(!again.isDamaged());
    QCOMPARE(again.read(QStringLiteral("URL"), QString()), QStringLiteral("new"));
}

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
