#include "job/NamingRules.h"

#include "job/MainState.h"

#include <QDir>
#include <QStringBuilder>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

QString numberText(qint16 n, qint16 digits)
{
    // A negative digit count makes no pattern at all: the number is written
    // plainly, like with a count of 0.
    const int width = digits > 0 ? digits : 0;
    const QString padded = QString::number(qAbs(int(n))).rightJustified(width, u'0');
    return n < 0 ? u'-' + padded : padded;
}

} // namespace

QString FileNameFor(const MainState &state, qint16 digits, qint16 n)
{
    const QString number = numberText(n, digits);
    if (state.EXT == u"*" || state.EXT == u"?")
        return state.FNTOP % u'.' % number;
    return state.FNTOP % number % u'.' % state.EXT;
}

QString RemoteUrlFor(const MainState &state, const QString &name)
{
    return state.URL % state.FLD % u'/' % name;
}

QString localFolderName(const MainState &state)
{
    return state.SYNC == 1 ? state.FLD : state.PCFLD;
}

QString LocalFolder(const MainState &state, const QString &baseDirectory)
{
    return baseDirectory % QDir::separator() % localFolderName(state);
}

QString LocalPathFor(const MainState &state, const QString &baseDirectory, const QString &name)
{
    return LocalFolder(state, baseDirectory) % QDir::separator() % name;
}

bool isPlainPathComponent(const QString &name, bool allowEmpty)
{
    if (name.isEmpty())
        return allowEmpty;
    if (name == u".." || name.contains(QChar(0)) || name.contains(u'/'))
        return false;
#ifdef Q_OS_WIN
    return !isRefusedByWindows(name);
#else
    return true;
#endif
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
