#include "core/ProxyAddress.h"

#include "core/NumberParse.h"

std::optional<quint16> readPort(const QString &text)
{
    // 0 and negative numbers name no port either.
    const auto value = roundedWholeNumber(text, 1, 65535);
    if (!value)
        return std::nullopt;
    return quint16(*value);
}

ProxyAddress proxyAddress(const QString &hostText, quint16 port)
{
    const QString text = hostText.trimmed();
    QString host = text;
    QString portText;
    if (text.startsWith(u'[')) {
        const qsizetype close = text.indexOf(u']');
        if (close > 0) {
            host = text.mid(1, close - 1);
            if (text.mid(close + 1).startsWith(u':'))
                portText = text.mid(close + 2);
        }
    } else if (text.count(u':') == 1) {
        // Two or more colons make an IPv6 literal, which has no port of its own.
        const qsizetype colon = text.indexOf(u':');
        host = text.left(colon);
        portText = text.mid(colon + 1);
    }
    return { host, readPort(portText).value_or(port) };
}
