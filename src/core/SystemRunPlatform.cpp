#include "core/SystemRunPlatform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <utility>

SystemRunPlatform::SystemRunPlatform(std::function<void()> beeper)
    : m_beeper(std::move(beeper))
{
}

bool SystemRunPlatform::createFolder(const QString &path)
{
    // One level only: a missing base directory is not made up on the way.
    return QDir().mkdir(path);
}

void SystemRunPlatform::beep()
{
    if (m_beeper)
        m_beeper();
}

QString SystemRunPlatform::logFilePath() const
{
    const QString name = QStringLiteral("Seqget.log");
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty() && QFileInfo(programFolder).isWritable())
        return programFolder + QLatin1Char('/') + name;
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dataFolder.isEmpty())
        return QString();
    QDir().mkpath(dataFolder);
    return dataFolder + QLatin1Char('/') + name;
}
