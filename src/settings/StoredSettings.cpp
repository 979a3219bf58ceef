#include "settings/StoredSettings.h"

#include "settings/SettingsConversions.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
// Without it QFileInfo::isWritable looks only at the read-only attribute, and a
// folder under Program Files would pass.
extern Q_CORE_EXPORT int qt_ntfs_permission_lookup;
#endif

namespace {

bool isDirectory(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

// A program installed with the system lives in a folder that only root may
// write, and root must not fill it with downloads either.
bool isSystemFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const QString canonical = QFileInfo(path).canonicalFilePath();
    for (const char *system : { "/usr", "/bin", "/sbin", "/lib", "/opt", "/etc", "/snap" }) {
        const QString prefix = QLatin1String(system);
        if (canonical == prefix || canonical.startsWith(prefix + u'/'))
            return true;
    }
#else
    Q_UNUSED(path);
#endif
    return false;
}

} // namespace

StoredSettings StoredSettings::load(const SettingsStore &store)
{
    return load(store, programFolder());
}

StoredSettings StoredSettings::load(const SettingsStore &store, const QString &programFolder)
{
    StoredSettings s;
    s.FORM_LEFT = readPosition(store.read(QStringLiteral("FORM_LEFT"), QStringLiteral("0")))
                      .value_or(s.FORM_LEFT);
    s.FORM_TOP = readPosition(store.read(QStringLiteral("FORM_TOP"), QStringLiteral("0")))
                     .value_or(s.FORM_TOP);
    for (const JobField &job : jobFields) {
        QString &text = s.jobTexts[std::size_t(job.box)];
        text = store.read(job.key, text);
    }
    s.SYNC = readSync(store.read(QStringLiteral("SYNC"), QStringLiteral("1"))).value_or(s.SYNC);

    // A folder that has gone (a removed stick, a deleted directory) would leave
    // the directory list on nothing; the default is somewhere downloads can go.
    const QString fallback = defaultBaseDirectory(programFolder);
    s.PCPATH = store.read(QStringLiteral("PCPATH"), fallback);
    if (!isDirectory(s.PCPATH))
        s.PCPATH = fallback;

    s.AUTO = readFlag(store.read(QStringLiteral("AUTO"), flagText(s.AUTO))).value_or(s.AUTO);
    s.PROXY = readFlag(store.read(QStringLiteral("PROXY"), flagText(s.PROXY))).value_or(s.PROXY);
    s.BEEP = readFlag(store.read(QStringLiteral("BEEP"), flagText(s.BEEP))).value_or(s.BEEP);
    s.LOG = readFlag(store.read(QStringLiteral("LOG"), flagText(s.LOG))).value_or(s.LOG);
    s.PROXYIP = store.read(QStringLiteral("PROXYIP"), s.PROXYIP);
    s.PORT = store.read(QStringLiteral("PORT"), s.PORT);
    return s;
}

void StoredSettings::save(SettingsStore &store) const
{
    store.write(QStringLiteral("FORM_LEFT"), QString::number(FORM_LEFT));
    store.write(QStringLiteral("FORM_TOP"), QString::number(FORM_TOP));
    for (const JobField &job : jobFields)
        store.write(job.key, jobTexts[std::size_t(job.box)]);
    store.write(QStringLiteral("SYNC"), QString::number(SYNC));
    store.write(QStringLiteral("PCPATH"), PCPATH);
    store.write(QStringLiteral("AUTO"), flagText(AUTO));
    store.write(QStringLiteral("PROXY"), flagText(PROXY));
    store.write(QStringLiteral("BEEP"), flagText(BEEP));
    store.write(QStringLiteral("LOG"), flagText(LOG));
    store.write(QStringLiteral("PROXYIP"), PROXYIP);
    store.write(QStringLiteral("PORT"), PORT);
    store.sync();
}

std::array<QString, jobBoxCount> StoredSettings::defaultJobTexts()
{
    std::array<QString, jobBoxCount> texts;
    for (const JobField &job : jobFields)
        texts[std::size_t(job.box)] = job.defaultText;
    return texts;
}

QString StoredSettings::programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString StoredSettings::defaultBaseDirectory(const QString &programFolder)
{
#ifdef Q_OS_WIN
    ++qt_ntfs_permission_lookup;
#endif
    const QFileInfo program(programFolder);
    const bool writable
        = isDirectory(programFolder) && program.isWritable() && !isSystemFolder(programFolder);
#ifdef Q_OS_WIN
    --qt_ntfs_permission_lookup;
#endif
    if (writable)
        return QDir::toNativeSeparators(program.absoluteFilePath());
    const QString downloads = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (isDirectory(downloads))
        return QDir::toNativeSeparators(downloads);
    return QDir::toNativeSeparators(QDir::homePath());
}
