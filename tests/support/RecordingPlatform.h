#pragma once

#include "run/RunPlatform.h"

#include <QDir>
#include <QStringList>

// The run's platform services for tests: folders made one level only, as the
// program makes them, and recorded; beeps counted; the log in a file the test
// chooses.
class RecordingPlatform final : public RunPlatform
{
public:
    explicit RecordingPlatform(QString logFile)
        : m_logFile(std::move(logFile))
    {
    }

    bool createFolder(const QString &path) override
    {
        folders << path;
        return QDir().mkdir(path);
    }
    void beep() override { ++beeps; }
    QString logFilePath() const override { return m_logFile; }

    QStringList folders;
    int beeps = 0;

private:
    QString m_logFile;
};
