#include "job/ProxyAddress.h"

#include "job/NumberParse.h"

std::optional<quint16> readPort(const QString &text)
{
    // 0 and negative numbers name no port either.
    const auto value = roundedWholeNumber(text, 1, 65535);
    if (!value)
        return std::nullopt;
    return quint16(*value);
}

std::optional<ProxyAddress> proxyAddress(const QString &hostText, quint16 port)
{
    QString text = hostText.trimmed();
    // As copied from a browser's or the system's proxy settings.
    if (const qsizetype scheme = text.indexOf(u"://"); scheme >= 0) {
        if (text.left(scheme).compare(u"http", Qt::CaseInsensitive) != 0)
            return std::nullopt;
        text = text.mid(scheme + 3);
        if (text.endsWith(u'/'))
            text.chop(1);
        if (text.isEmpty())
            return std::nullopt;
    }
    // A path, a query, user info or a blank has no place in a proxy's address.
    for (const QChar c : { u'/', u'?', u'#', u'@', u' ', u'\t' }) {
        if (text.contains(c))
            return std::nullopt;
    }
    QString host = text;
    std::optional<QString> portText;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        const QString rest = text.mid(close + 1);
        if (close < 0 || (!rest.isEmpty() && !rest.startsWith(u':')))
            return std::nullopt;
        host = text.mid(1, close - 1);
        if (!rest.isEmpty())
            portText = rest.mid(1);
    } else if (text.count(u':') == 1) {
        // Two or more colons make an IPv6 literal, which has no port of its own.
        const qsizetype colon = text.indexOf(u':');
        host = text.left(colon);
        portText = text.mid(colon + 1);
    }
    if (portText) {
        const auto ownPort = readPort(*portText);
        if (!ownPort || host.isEmpty())
            return std::nullopt;
        port = *ownPort;
    }
    return ProxyAddress { host, port };
}
