#pragma once

#include "job/MainState.h"

#include <QString>

// The job as the window hands it to a run: its record and the base directory
// chosen in the folder chooser, as values.
struct RunJob
{
    MainState state;
    QString baseDirectory;
};
