#include "disk/SafeNames.h"

#include <QStringList>

using namespace Qt::StringLiterals;

bool isPlainPathComponent(const QString &name, bool allowEmpty, PathStyle style)
{
    if (name.isEmpty())
        return allowEmpty;
    if (name == u".." || name.contains(QChar(0)) || name.contains(u'/'))
        return false;
    return style != PathStyle::Windows || !isRefusedByWindows(name);
}

bool isRefusedByWindows(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() < 32 || QStringView(u"<>:\"/\\|?*").contains(c))
            return true;
    }
    // Windows drops a trailing dot or blank, so the file would get another
    // name than the one the series gives it.
    if (name.endsWith(u'.') || name.endsWith(u' '))
        return true;
    // A device's name opens the device, with any extension and in any case.
    const QStringView stem = name.left(name.indexOf(u'.')).trimmed();
    static const QStringList devices = [] {
        QStringList d { u"CON"_s, u"PRN"_s, u"AUX"_s, u"NUL"_s };
        for (char n = '1'; n <= '9'; ++n)
            d << u"COM"_s + QLatin1Char(n) << u"LPT"_s + QLatin1Char(n);
        return d;
    }();
    return devices.contains(stem.toString(), Qt::CaseInsensitive);
}
