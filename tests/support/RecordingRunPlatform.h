#pragma once

#include "RunPlatform.h"

#include <QStringList>

// Makes folders for real, one level like the program does, and records what a
// run asked for: the folders, the number of beeps; the log goes where the test
// says.
class RecordingRunPlatform final : public RunPlatform
{
public:
    explicit RecordingRunPlatform(const QString &logFilePath = QString());

    bool createFolder(const QString &path) override;
    void beep() override;
    QString logFilePath() const override;

    QStringList createdFolders() const { return m_folders; }
    int beeps() const { return m_beeps; }

private:
    QString m_logFilePath;
    QStringList m_folders;
    int m_beeps = 0;
};
