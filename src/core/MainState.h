#pragma once

#include <QString>

// The window's record of the job, the run and the options. Field names are the
// keys under which the settings store keeps them, hence the upper case.
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
    qint16 Digits = 0;
    qint16 CurrentNo = 0;
    qint16 LastNo = 0;
    bool Running = false;
    bool AUTO = false;
    bool PROXY = false;
    bool BEEP = false;
    bool LOG = false;
    QString PROXYIP;
    QString PORT;
};
