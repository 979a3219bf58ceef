#pragma once

#include <QByteArray>
#include <QString>

// The addresses of a series as a request carries them. Every file of a
// series shares the folder up to its last "/", so that part is parsed once
// and a plain file name is appended as it stands; anything else takes the
// full parse. Addresses are read tolerantly, as a browser would, so that a
// blank, a "%" or a control character in a folder name goes out escaped
// rather than raw.
class RequestAddresses final
{
public:
    // The request form of an http or https URL; empty for any other text.
    QByteArray url(const QString &text);

    // The same, without user info and fragment: credentials in a Referer
    // would travel to every host of a redirect chain.
    QByteArray referer(const QString &text);

private:
    QString m_folderText;
    QByteArray m_folder;
    QString m_refererText;
    QByteArray m_referer;
};
