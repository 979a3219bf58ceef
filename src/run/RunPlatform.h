#pragma once

#include <QString>

// The platform services a run calls besides HTTP and plain files; a seam so
// tests can count beeps and place the log and folders where they like.
class RunPlatform
{
public:
    virtual ~RunPlatform() = default;

    // Makes the folder when it can; every failure (it exists already, the
    // parent is missing, the name is refused) is the caller's to ignore.
    virtual bool createFolder(const QString &path) = 0;
    virtual void beep() = 0;
    virtual QString logFilePath() const = 0;
};
