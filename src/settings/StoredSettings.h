#pragma once

#include "core/JobBox.h"

#include <QString>
#include <array>

class SettingsStore;

// The eighteen persistent settings in the order they are read and written,
// each holding its default until loaded. Field names are the store's keys.
struct StoredSettings
{
    qint32 FORM_LEFT = 0;
    qint32 FORM_TOP = 0;
    // URL to PCFLD, indexed by JobBox.
    std::array<QString, jobBoxCount> jobTexts = defaultJobTexts();
    qint16 SYNC = 1;
    // Default: defaultBaseDirectory(), which depends on the machine.
    QString PCPATH;
    bool AUTO = true;
    bool PROXY = false;
    bool BEEP = true;
    bool LOG = true;
    QString PROXYIP = QStringLiteral("127.0.0.1");
    QString PORT = QStringLiteral("8080");

    // Every key from the store; an absent key, or one whose text does not
    // convert, takes its default. PCPATH falls back to defaultBaseDirectory()
    // when it does not name an existing directory.
    static StoredSettings load(const SettingsStore &store);
    // The same with the program's folder given, so tests can choose it.
    static StoredSettings load(const SettingsStore &store, const QString &programFolder);
    // Writes all eighteen keys in table order and pushes them to the store.
    void save(SettingsStore &store) const;

    // The job texts' defaults, from the job field list.
    static std::array<QString, jobBoxCount> defaultJobTexts();
    // The folder that holds the program file.
    static QString programFolder();
    // The program's folder when the user can write there and it is not one
    // of the system's (/usr/bin, Program Files), else the user's download
    // folder, else the home folder when there is no download folder.
    static QString defaultBaseDirectory(const QString &programFolder);
};
