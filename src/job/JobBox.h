#pragma once

#include "job/MainState.h"

#include <QLatin1String>
#include <iterator>

// The eight job boxes of the window.
enum class JobBox { URL, FLD, FNTOP, EXT, KETA, START, STOP, PCFLD };

// What a job box stands for: the MainState field it is copied into, and the
// settings key that field is stored under, with the key's default. The box's
// control in the window is named "Text_" followed by the key.
struct JobField
{
    JobBox box;
    QString MainState::*field;
    QLatin1String key;
    QLatin1String defaultText;
};

// The one list of the job fields, in the order a run copies them, start-up
// reads and fills them and the save command writes them.
inline constexpr JobField jobFields[] = {
    { JobBox::URL, &MainState::URL, QLatin1String("URL"),
      QLatin1String("http://127.0.0.1:18080/") },
    { JobBox::FLD, &MainState::FLD, QLatin1String("FLD"), QLatin1String("images") },
    { JobBox::FNTOP, &MainState::FNTOP, QLatin1String("FNTOP"), QLatin1String("hana") },
    { JobBox::EXT, &MainState::EXT, QLatin1String("EXT"), QLatin1String("jpg") },
    { JobBox::KETA, &MainState::KETA, QLatin1String("KETA"), QLatin1String("1") },
    { JobBox::START, &MainState::START, QLatin1String("START"), QLatin1String("1") },
    { JobBox::STOP, &MainState::STOP, QLatin1String("STOP"), QLatin1String("8") },
    { JobBox::PCFLD, &MainState::PCFLD, QLatin1String("PCFLD"), QLatin1String("") },
};

inline constexpr std::size_t jobBoxCount = std::size(jobFields);

// The longest text a job box takes, in UTF-16 code units: far beyond any
// address, and small enough that a settings file holding such texts is still
// one the program can tell from garbage by its size.
inline constexpr int maxJobTextLength = 1 << 20;

constexpr const JobField &jobField(JobBox box)
{
    return jobFields[std::size_t(box)];
}

static_assert(
    [] {
        for (std::size_t i = 0; i < jobBoxCount; ++i) {
            if (jobFields[i].box != JobBox(i))
                return false;
        }
        return true;
    }(),
    "jobField() looks a box up by its number");
