#pragma once

class SettingsStore;
class SettingsWindow;
struct StoredSettings;

// Start-up: loads every setting and applies it to the window in the fixed
// order of its steps (position, job texts, SYNC, base directory and drive,
// flags, proxy texts, job boxes, folder-sync box, the four option entries),
// and ends with no run active. Run once, before the window is first shown.
void runStartup(SettingsWindow &window, const SettingsStore &store);
// The same from settings already loaded.
void runStartup(SettingsWindow &window, const StoredSettings &settings);

// What the save command stores: MainState, the directory list's path and the
// window's position as it stands.
StoredSettings settingsFromWindow(SettingsWindow &window);
// The save command: all eighteen keys, in table order.
void saveSettings(SettingsWindow &window, SettingsStore &store);
