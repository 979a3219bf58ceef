#pragma once

#include "core/JobBox.h"

#include <QString>

struct MainState;

// What start-up and the save command need of the main window. Every setter
// goes through the real control, so the control's change or click handling
// runs nested inside the call, as it would for a user's change.
class SettingsWindow
{
public:
    virtual ~SettingsWindow() = default;

    virtual MainState &mainState() = 0;

    // Window edges in twips, 15 to a pixel.
    virtual double leftTwips() const = 0;
    virtual void setLeftTwips(double twips) = 0;
    virtual double topTwips() const = 0;
    virtual void setTopTwips(double twips) = 0;

    // The directory list's path; setting it runs Dir1_Change.
    virtual QString dir1Path() const = 0;
    virtual void setDir1Path(const QString &path) = 0;
    // Sets the drive list to the drive the path lies on; Drive1_Change runs
    // when that is another drive than the one shown.
    virtual void setDrive1ToDriveOf(const QString &path) = 0;

    // Sets a job box's text; its change handling copies it into MainState.
    virtual void setJobBoxText(JobBox box, const QString &text) = 0;
    // Sets the folder-sync box's value (0, 1 or 2); Check_SYNC_Click runs.
    virtual void setCheckSyncValue(qint16 value) = 0;

    // The option menu commands, exactly as a click on the entry runs them.
    virtual void MenuAuto() = 0;
    virtual void MenuBeep() = 0;
    virtual void MenuLog() = 0;
    // The proxy entry's check mark alone, without the command and its prompts.
    virtual void setMenuProxyChecked(bool checked) = 0;
};
