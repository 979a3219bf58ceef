#include "job/NamingRules.h"

#include "job/MainState.h"

#include <QDir>
#include <QStringBuilder>

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
