#include "platform/ExtendedPath.h"

#include <QStringList>

QString extendedLengthPath(const QString &path)
{
    QString p = path;
    p.replace(u'/', u'\\');
    if (p.startsWith(u"\\\\?\\") || p.startsWith(u"\\\\.\\"))
        return path;
    QString prefix;
    QStringList steps;
    if (p.startsWith(u"\\\\")) {
        // \\server\share: the share is the root, which ".." cannot leave.
        steps = p.mid(2).split(u'\\');
        if (steps.size() < 2 || steps.at(0).isEmpty() || steps.at(1).isEmpty())
            return {};
        const QString server = steps.takeFirst(), share = steps.takeFirst();
        prefix = QStringLiteral("\\\\?\\UNC\\") + server + u'\\' + share;
    } else if (p.size() >= 2 && p.at(0).isLetter() && p.at(0).unicode() < 128 && p.at(1) == u':'
               && (p.size() == 2 || p.at(2) == u'\\')) {
        prefix = QStringLiteral("\\\\?\\") + p.left(2);
        steps = p.mid(3).split(u'\\');
    } else {
        return {};
    }
    QStringList kept;
    for (const QString &step : std::as_const(steps)) {
        if (step == u"..") {
            if (!kept.isEmpty())
                kept.removeLast();
        } else if (!step.isEmpty() && step != u".")
            kept.append(step);
    }
    return prefix + u'\\' + kept.join(u'\\');
}
