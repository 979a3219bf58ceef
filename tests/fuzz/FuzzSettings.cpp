// The settings file reader fed any bytes (UTF-8, Shift-JIS, broken pairs,
// huge lines, NUL): whatever it loads, saved and read back, loads the same.
#include "Fuzz.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Seqget.conf")),
                  again = file + QStringLiteral(".again");
    QFile::remove(file);
    QFile::remove(again);
    QFile in(file);
    FUZZ_CHECK(in.open(QIODevice::WriteOnly)
               && in.write(reinterpret_cast<const char *>(data), qsizetype(size))
                   == qsizetype(size));
    in.close();
    const StoredSettings loaded = StoredSettings::load(SettingsStore(file), dir.path());
    {
        SettingsStore saved(again);
        loaded.save(saved);
    }
    const StoredSettings reloaded = StoredSettings::load(SettingsStore(again), dir.path());
    FUZZ_CHECK(static_cast<const MainState &>(reloaded) == loaded);
    FUZZ_CHECK(reloaded.FORM_LEFT == loaded.FORM_LEFT && reloaded.FORM_TOP == loaded.FORM_TOP
               && reloaded.PCPATH == loaded.PCPATH);
    return 0;
}
