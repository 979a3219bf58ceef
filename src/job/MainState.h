#pragma once

#include <QString>

// The window's record of the job and the options, mirroring its boxes, check
// box and menu marks. Field names are the keys under which the settings store
// keeps them, hence the upper case. It holds values only; the defaults of a
// first start come from the settings' table, and a run keeps its own numbers.
struct MainState
{
    QString URL;
    QString FLD;
    QString FNTOP;
    QString EXT;
    QString KETA;
    QString START;
    QString STOP;
    QString PCFLD;
    qint16 SYNC = 0;
    bool AUTO = false;
    bool PROXY = false;
    bool BEEP = false;
    bool LOG = false;
    QString PROXYIP;
    QString PORT;

    bool operator==(const MainState &) const = default;
};
