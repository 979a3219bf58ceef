#include "settings/StoredSettings.h"

#include "job/JobBox.h"
#include "disk/UserFolders.h"
#include "settings/SettingsConversions.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

bool isDirectory(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

template<class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};
template<class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// Sets the key's field from stored text, or from its default where the text
// does not convert.
void readKey(StoredSettings &s, const StoredSettings::Key &key, const QString &text)
{
    const auto convert
        = [&](auto reader) { return reader(text).value_or(*reader(QString(key.defaultText))); };
    std::visit(Overloaded {
                   [&](QString StoredSettings::*field) { s.*field = text; },
                   [&](bool StoredSettings::*field) { s.*field = convert(readFlag); },
                   [&](qint16 StoredSettings::*field) { s.*field = convert(readSync); },
                   [&](qint32 StoredSettings::*field) { s.*field = convert(readPosition); },
               },
               key.field);
}

QString keyText(const StoredSettings &s, const StoredSettings::Key &key)
{
    return std::visit(Overloaded {
                          [&](QString StoredSettings::*field) { return s.*field; },
                          [&](bool StoredSettings::*field) { return flagText(s.*field); },
                          [&](auto field) { return QString::number(s.*field); },
                      },
                      key.field);
}

} // namespace

const QList<StoredSettings::Key> &StoredSettings::keys()
{
    static const QList<Key> keys = [] {
        QList<Key> k {
            { QLatin1String("FORM_LEFT"), &StoredSettings::FORM_LEFT, QLatin1String("0") },
            { QLatin1String("FORM_TOP"), &StoredSettings::FORM_TOP, QLatin1String("0") },
        };
        for (const JobField &job : jobFields)
            k.append({ job.key, job.field, job.defaultText });
        k += {
            { QLatin1String("SYNC"), &StoredSettings::SYNC, QLatin1String("1") },
            // Its default depends on the machine: see defaultBaseDirectory().
            { QLatin1String("PCPATH"), &StoredSettings::PCPATH, QLatin1String("") },
            { QLatin1String("AUTO"), &StoredSettings::AUTO, QLatin1String("True") },
            { QLatin1String("PROXY"), &StoredSettings::PROXY, QLatin1String("False") },
            { QLatin1String("BEEP"), &StoredSettings::BEEP, QLatin1String("True") },
            { QLatin1String("LOG"), &StoredSettings::LOG, QLatin1String("True") },
            { QLatin1String("PROXYIP"), &StoredSettings::PROXYIP, QLatin1String("127.0.0.1") },
            { QLatin1String("PORT"), &StoredSettings::PORT, QLatin1String("8080") },
        };
        return k;
    }();
    return keys;
}

StoredSettings StoredSettings::load(const SettingsStore &store, const QString &programDir)
{
    StoredSettings s;
    for (const Key &key : keys())
        readKey(s, key, store.read(key.name, key.defaultText));
    // A folder that has gone (a removed stick, a deleted directory) would leave
    // the directory list on nothing; the default is somewhere downloads can go.
    if (!isDirectory(s.PCPATH))
        s.PCPATH = defaultBaseDirectory(programDir);
    return s;
}

StoredSettings StoredSettings::firstStart(const QString &programDir)
{
    StoredSettings s;
    for (const Key &key : keys())
        readKey(s, key, key.defaultText);
    s.PCPATH = defaultBaseDirectory(programDir);
    return s;
}

void StoredSettings::save(SettingsStore &store) const
{
    for (const Key &key : keys())
        store.write(key.name, keyText(*this, key));
    store.sync();
}

QString StoredSettings::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString StoredSettings::defaultBaseDirectory(const QString &programFolder)
{
    if (isDirectory(programFolder) && isWritableUserFolder(programFolder))
        return QDir::toNativeSeparators(QFileInfo(programFolder).absoluteFilePath());
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (isDirectory(downloads))
        return QDir::toNativeSeparators(downloads);
    return QDir::toNativeSeparators(QDir::homePath());
}
