#include "RecordingRunPlatform.h"

#include <QDir>

RecordingRunPlatform::RecordingRunPlatform(const QString &logFilePath)
    : m_logFilePath(logFilePath)
{
}

bool RecordingRunPlatform::createFolder(const QString &path)
{
    m_folders.append(path);
    return QDir().mkdir(path);
}

void RecordingRunPlatform::beep()
{
    ++m_beeps;
}

QString RecordingRunPlatform::logFilePath() const
{
    return m_logFilePath;
}
