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
        QStringList d { u"CON"_s, u"PRN"_s, u"AUX"_s, u"NUL"_s, u"CONIN$"_s, u"CONOUT$"_s };
        for (const QChar n : QStringView(u"0123456789\u00b9\u00b2\u00b3"))
            d << u"COM"_s + n << u"LPT"_s + n;
        return d;
    }();
    return devices.contains(stem.toString(), Qt::CaseInsensitive);
}

QString storedName(const QString &name, PathStyle style)
{
    if (style == PathStyle::Unix)
        return name;
    qsizetype end = name.size();
    while (end > 0 && (name.at(end - 1) == u'.' || name.at(end - 1) == u' '))
        --end;
    return name.left(end);
}

std::optional<QStringList> folderSteps(const QString &text, PathStyle style)
{
    if (text.isEmpty())
        return QStringList();
    QString slashed = text;
    if (style == PathStyle::Windows)
        slashed.replace(u'\\', u'/');
    const QStringList steps = slashed.split(u'/');
    for (const QString &step : steps) {
        if (!isPlainPathComponent(step, false, style))
            return std::nullopt;
    }
    return steps;
}
