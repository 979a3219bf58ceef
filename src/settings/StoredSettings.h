#pragma once

#include "job/MainState.h"

#include <QLatin1String>
#include <QList>
#include <QString>
#include <variant>

class SettingsStore;

// The eighteen persistent settings as one value: the window's record, whose
// field names are the store's keys, and what the window itself holds: its
// position in twips and the directory list's path.
struct StoredSettings : MainState
{
    qint32 FORM_LEFT = 0;
    qint32 FORM_TOP = 0;
    QString PCPATH;

    // One stored key: its name, the field it fills, and its default as the
    // store would hold it. The field's type decides how its text converts.
    struct Key
    {
        using Field = std::variant<QString StoredSettings::*, bool StoredSettings::*,
                                   qint16 StoredSettings::*, qint32 StoredSettings::*>;
        QLatin1String name;
        Field field;
        QLatin1String defaultText;
    };
    // Every key, in the order start-up reads them and the save writes them.
    static const QList<Key> &keys();

    // Every key from the store; an absent key, or one whose text does not
    // convert, takes its default. PCPATH falls back to defaultBaseDirectory()
    // when it does not name an existing directory.
    static StoredSettings load(const SettingsStore &store,
                               const QString &programDir = programFolder());
    // What a first start applies: every key at its default.
    static StoredSettings firstStart(const QString &programDir = programFolder());
    // Writes all eighteen keys and pushes them to the store's file.
    void save(SettingsStore &store) const;

    // The folder that holds the program file.
    static QString programFolder();
    // The program's folder when the user can write there and it is not one
    // of the system's (/usr/bin, Program Files), else the user's download
    // folder, else the home folder when there is no download folder.
    static QString defaultBaseDirectory(const QString &programFolder);
};
