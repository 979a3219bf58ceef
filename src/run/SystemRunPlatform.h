#pragma once

#include "run/RunPlatform.h"

#include <functional>

// The run's platform services for the real program. The beep needs the
// widgets library, which this one does not link, so the window hands it in.
class SystemRunPlatform final : public RunPlatform
{
public:
    explicit SystemRunPlatform(std::function<void()> beeper = {});

    bool createFolder(const QString &path) override;
    void beep() override;
    // "Seqget.log" beside the program; when that folder is not writable or is
    // a system folder (an installed program, even for root), Seqget/ in the
    // user's data folder (~/.local/share) instead.
    QString logFilePath() const override;
    // The same for a program kept in programFolder.
    static QString logFilePathFor(const QString &programFolder);

private:
    std::function<void()> m_beeper;
};
