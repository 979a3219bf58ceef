#pragma once

#include "core/RunPlatform.h"

#include <functional>

// The run's platform services for the real program. The beep needs the
// widgets library, which this one does not link, so the window hands it in.
class SystemRunPlatform final : public RunPlatform
{
public:
    explicit SystemRunPlatform(std::function<void()> beeper = {});

    bool createFolder(const QString &path) override;
    void beep() override;
    // "Seqget.log" beside the program; when that folder is not writable (an
    // installed program) the per-user application data folder instead.
    QString logFilePath() const override;

private:
    std::function<void()> m_beeper;
};
