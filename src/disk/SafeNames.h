#pragma once

#include "platform/PathStyle.h"

#include <QString>

// True when a name used as one path component cannot lead out of the folder it
// is put in: no separator, no "..", no NUL. An empty name is allowed only where
// it means "the folder itself" (the local folder name). With Windows paths,
// also no name that Windows refuses (isRefusedByWindows).
bool isPlainPathComponent(const QString &name, bool allowEmpty, PathStyle style);

// A name Windows will not store as it stands: a character it reserves
// (< > : " / \ | ? * and control characters), a trailing dot or blank, or a
// device's name (CON, PRN, AUX, NUL, COM1..9, LPT1..9) with any extension.
bool isRefusedByWindows(QStringView name);
