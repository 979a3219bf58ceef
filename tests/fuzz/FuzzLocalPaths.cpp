// Any job, as the boxes may hold it: a file that a run would save lies inside
// the base directory, with Unix and with Windows paths, or is refused. Parts
// between NUL bytes: FLD, PCFLD, FNTOP, EXT, and a byte for SYNC and the digits.
#include "Fuzz.h"
#include "disk/SafeNames.h"
#include "job/MainState.h"
#include "job/NamingRules.h"

#include <QDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList texts = parts(data, size);
    MainState job;
    job.FLD = QString::fromUtf8(texts.value(0));
    job.PCFLD = QString::fromUtf8(texts.value(1));
    job.FNTOP = QString::fromUtf8(texts.value(2));
    job.EXT = QString::fromUtf8(texts.value(3));
    const char control = texts.value(4).isEmpty() ? 0 : texts.value(4).at(0);
    job.SYNC = qint16(control & 3);
    for (const PathStyle style : { PathStyle::Unix, PathStyle::Windows }) {
        const QString base
            = style == PathStyle::Unix ? QStringLiteral("/base") : QStringLiteral("C:/base");
        const QString name
            = storedName(FileNameFor(job, qint16(control >> 2), qint16(control)), style);
        if (!folderSteps(localFolderName(job), style) || !isPlainPathComponent(name, false, style))
            continue;
        QString path = LocalPathFor(job, base, name);
        if (style == PathStyle::Windows)
            path.replace(u'\\', u'/');
        FUZZ_CHECK(QDir::cleanPath(path).startsWith(base + u'/'));
    }
    return 0;
}
