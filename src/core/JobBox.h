#pragma once

// The eight job boxes of the window, in the order a run copies them.
enum class JobBox { URL, FLD, FNTOP, EXT, KETA, START, STOP, PCFLD };

inline constexpr JobBox allJobBoxes[] = { JobBox::URL,  JobBox::FLD,   JobBox::FNTOP,
                                          JobBox::EXT,  JobBox::KETA,  JobBox::START,
                                          JobBox::STOP, JobBox::PCFLD };
