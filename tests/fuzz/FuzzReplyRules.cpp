// The reply rules fed any chain: requests and head lines in any order and
// size, with bodies between them. Parts between NUL bytes: "GET url" is a
// request, "BODY..." a piece of body as long as the part, anything else a
// head line. Once on https a chain sends nothing over http, no chain follows
// more redirects than allowed, and a body is the file only when its end is
// known: no two different lengths, none that is no 64-bit number.
#include "Fuzz.h"
#include "transfer/ReplyRules.h"

namespace {

// The Content-Length values of a head, read a second way.
bool lengthsAgree(const QByteArrayList &head)
{
    QByteArray seen;
    for (const QByteArray &line : head) {
        if (!line.toLower().startsWith("content-length:"))
            continue;
        for (const QByteArray &part : line.mid(15).split(',')) {
            const QByteArray number = part.trimmed();
            bool fits = !number.isEmpty();
            for (const char c : number)
                fits = fits && c >= '0' && c <= '9';
            bool converted = false;
            number.toLongLong(&converted);
            if (!fits || !converted || (!seen.isEmpty() && number != seen))
                return false;
            seen = number;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ReplyRules rules;
    bool onHttps = false;
    int hops = 0;
    QByteArrayList head;
    bool headOpen = true; // the next empty line ends a head, not trailers
    for (const QByteArray &part : parts(data, size)) {
        if (part.startsWith("GET ")) {
            const bool hop = !rules.followTarget().isEmpty();
            if (rules.request(part.mid(4)) != ReplyRules::Step::Go)
                continue;
            const bool https = part.mid(4, 6).toLower() == "https:";
            FUZZ_CHECK(https || !onHttps);
            onHttps = onHttps || https;
            FUZZ_CHECK((hops += hop) <= ReplyRules::maxRedirects);
            headOpen = true;
        } else if (part.startsWith("BODY")) {
            rules.body(part.size());
        } else {
            const bool status = part.left(5).toUpper() == "HTTP/";
            headOpen = headOpen || status;
            if (headOpen)
                head = status ? QByteArrayList { part } : head << part;
            const bool ended = headOpen && (part.isEmpty() || part == "\r");
            if (rules.headLine(part + '\n') == ReplyRules::Step::Go && ended && rules.bodyIsFile())
                FUZZ_CHECK(lengthsAgree(head));
            headOpen = headOpen && !ended;
        }
    }
    return 0;
}
