// What the system and the job hand over as text: the mount table, and the
// addresses a request is made of. Parts between NUL bytes: the mount table,
// an address. The volumes offered lie on absolute roots, each once, and each
// is the drive of its own root; a request form is empty or an http(s)
// address with nothing raw in it that could end the request line.
#include "Fuzz.h"
#include "disk/VolumeList.h"
#include "transfer/RequestAddresses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList texts = parts(data, size);
    const QList<Mount> mounts = VolumeList::parseMountInfo(texts.value(0));
    for (const PathStyle style : { PathStyle::Unix, PathStyle::Windows }) {
        const VolumeList list(mounts, style);
        QStringList roots;
        for (const VolumeList::Volume &volume : list.volumes()) {
            FUZZ_CHECK(!roots.contains(volume.root) && list.driveOf(volume.root) == volume.root);
            roots << volume.root;
        }
    }
    RequestAddresses addresses;
    const QString address = QString::fromUtf8(texts.value(1));
    for (const QByteArray &form : { addresses.url(address), addresses.referer(address),
                                    addresses.url(address + QStringLiteral("/x.jpg")) }) {
        FUZZ_CHECK(form.isEmpty() || form.startsWith("http://") || form.startsWith("https://"));
        for (const char c : form)
            FUZZ_CHECK(c > ' ' && c < 127);
    }
    return 0;
}
