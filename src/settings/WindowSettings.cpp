#include "settings/WindowSettings.h"

#include "core/MainState.h"
#include "settings/SettingsConversions.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsWindow.h"
#include "settings/StoredSettings.h"

void runStartup(SettingsWindow &window, const SettingsStore &store)
{
    runStartup(window, StoredSettings::load(store));
}

void runStartup(SettingsWindow &window, const StoredSettings &settings)
{
    MainState &state = window.mainState();

    window.setLeftTwips(appliedPosition(settings.FORM_LEFT));
    window.setTopTwips(appliedPosition(settings.FORM_TOP));

    for (const JobField &job : jobFields)
        state.*job.field = settings.jobTexts[std::size_t(job.box)];
    state.SYNC = settings.SYNC;

    window.setDir1Path(settings.PCPATH);
    // The directory list's change handling may have moved it; the drive
    // follows the path it shows now, not the one stored.
    window.setDrive1ToDriveOf(window.dir1Path());

    state.AUTO = settings.AUTO;
    state.PROXY = settings.PROXY;
    state.BEEP = settings.BEEP;
    state.LOG = settings.LOG;
    state.PROXYIP = settings.PROXYIP;
    state.PORT = settings.PORT;

    // Each box's change handling copies the text back into MainState, so the
    // values are read from there one at a time, as each box is set.
    for (const JobField &job : jobFields)
        window.setJobBoxText(job.box, state.*job.field);

    window.setCheckSyncValue(state.SYNC);

    // The menu commands toggle their flag and set mark and visibility to
    // match; inverting first makes them land on the loaded value.
    state.AUTO = !state.AUTO;
    window.MenuAuto();

    // The proxy command would prompt for host and port; the flag is already
    // as loaded, and only its check mark is set.
    window.setMenuProxyChecked(state.PROXY);

    state.BEEP = !state.BEEP;
    window.MenuBeep();
    state.LOG = !state.LOG;
    window.MenuLog();

    state.Running = false;
}

StoredSettings settingsFromWindow(SettingsWindow &window)
{
    const MainState &state = window.mainState();
    StoredSettings s;
    s.FORM_LEFT = storedPosition(window.leftTwips());
    s.FORM_TOP = storedPosition(window.topTwips());
    for (const JobField &job : jobFields)
        s.jobTexts[std::size_t(job.box)] = state.*job.field;
    s.SYNC = state.SYNC;
    s.PCPATH = window.dir1Path();
    s.AUTO = state.AUTO;
    s.PROXY = state.PROXY;
    s.BEEP = state.BEEP;
    s.LOG = state.LOG;
    s.PROXYIP = state.PROXYIP;
    s.PORT = state.PORT;
    return s;
}

void saveSettings(SettingsWindow &window, SettingsStore &store)
{
    settingsFromWindow(window).save(store);
}
