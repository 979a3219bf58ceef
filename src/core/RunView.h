#pragma once

#include "core/JobBox.h"

#include <QString>

// What a download run needs of the main window: plain access to a few of its
// controls. The window implements it; tests use an in-memory stand-in.
class RunView
{
public:
    virtual ~RunView() = default;

    virtual QString jobText(JobBox box) const = 0;
    virtual void setButtonCaption(const QString &caption) = 0;
    // index 0: remote URL of the file in progress, 1: its local path
    virtual void setStatusText(int index, const QString &text) = 0;
    virtual QString statusText(int index) const = 0;
    // The path of the directory list, read each time a name is built.
    virtual QString baseDirectory() const = 0;
};
