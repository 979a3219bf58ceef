// What a person types or pastes: a sample address and a digit count for the
// easy setup, numbers for the job boxes, a proxy host and port. Parts
// between NUL bytes: the sample, the answer, the port box. Every part cut
// from the sample lies where the analysis says; a number read never leaves
// its range; a proxy address taken holds nothing but a host and a port.
#include "Fuzz.h"
#include "job/NumberParse.h"
#include "job/ProxyAddress.h"
#include "setup/SampleUrl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList texts = parts(data, size);
    const QString sample = QString::fromUtf8(texts.value(0)),
                  answer = QString::fromUtf8(texts.value(1));
    const SampleUrl url(sample);
    if (url.isAnalysable()) {
        FUZZ_CHECK(sample.endsWith(url.extension()) && sample.startsWith(url.baseUrl()));
        FUZZ_CHECK(sample.contains(url.folder()) && sample.contains(url.prefix(answer)));
    }
    if (const auto n = ReadNumber(answer))
        FUZZ_CHECK(*n == roundHalfEven(leadingNumber(answer)));
    if (const auto n = roundedWholeNumber(answer, -45000, 45000))
        FUZZ_CHECK(*n >= -45000 && *n <= 45000 && wholeNumber(answer));
    const auto port = readPort(QString::fromUtf8(texts.value(2)));
    FUZZ_CHECK(!port || *port >= 1);
    if (const auto proxy = proxyAddress(sample, port.value_or(8080))) {
        FUZZ_CHECK(proxy->port >= 1);
        for (const QChar c : { u'/', u'?', u'#', u'@', u' ', u'\t' })
            FUZZ_CHECK(!proxy->host.contains(c));
    }
    return 0;
}
