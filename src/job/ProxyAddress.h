#pragma once

#include <QString>
#include <optional>

// Where a run's requests go when the proxy is on, read from the host and port
// boxes as the user typed them.
struct ProxyAddress
{
    QString host;
    quint16 port = 0;
};

// The port box converted as a whole: a number of 1..65535, blanks around it
// allowed and a fraction rounded half to even. Empty for anything else
// ("8080abc", "80 80"), so that the previous port stays.
std::optional<quint16> readPort(const QString &text);

// The host box: a name, an IPv4 address or a bare IPv6 literal, or
// "host:port" and "[v6]:port", whose port then wins over the port box's (as
// "curl -x host:port" reads it), each also written as an http:// URL with or
// without a trailing "/". Empty for any other scheme and for what cannot be
// a proxy's address (a path, a port that is no port), so that the previous
// proxy stays. An empty box gives an empty host: no proxy.
std::optional<ProxyAddress> proxyAddress(const QString &hostText, quint16 port);
