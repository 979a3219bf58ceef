#pragma once

#include <QString>

// The port of a loopback server that the test fixture started ("tinyproxy",
// "nginx"), read from the folder named by SEQGET_TEST_SERVERS; 0 when there
// is none.
quint16 fixtureServerPort(const QString &name);
