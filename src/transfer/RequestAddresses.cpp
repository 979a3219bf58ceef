#include "transfer/RequestAddresses.h"

#include <QUrl>

namespace {

// Empty when the text is no http or https URL.
QByteArray requestForm(const QString &text, QUrl::FormattingOptions options = QUrl::None)
{
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return {};
    return url.adjusted(options).toEncoded();
}

// A file name that reads the same in a URL as it is typed: nothing to escape,
// and no "." or ".." that a server would take as a step between folders.
bool isPlainName(QStringView name)
{
    if (name.isEmpty() || name == u"." || name == u"..")
        return false;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z')
            || (u >= u'0' && u <= u'9') || u == u'-' || u == u'.' || u == u'_' || u == u'~';
        if (!plain)
            return false;
    }
    return true;
}

} // namespace

QByteArray RequestAddresses::url(const QString &text)
{
    const qsizetype slash = text.lastIndexOf(u'/');
    const QStringView name = QStringView(text).mid(slash + 1);
    if (slash <= 0 || !isPlainName(name))
        return requestForm(text);
    const QStringView folder = QStringView(text).left(slash + 1);
    if (folder != m_folderText) {
        m_folderText = folder.toString();
        // A "%" could pair with the name's first digits into an escape,
        // and a query or a fragment would take the name in.
        m_folder = folder.contains(u'%') ? QByteArray() : requestForm(m_folderText);
        if (m_folder.contains('?') || m_folder.contains('#'))
            m_folder.clear();
    }
    return m_folder.isEmpty() ? requestForm(text) : m_folder + name.toLatin1();
}

QByteArray RequestAddresses::referer(const QString &text)
{
    if (text != m_refererText) {
        m_refererText = text;
        m_referer = requestForm(text, QUrl::RemoveUserInfo | QUrl::RemoveFragment);
    }
    return m_referer;
}
