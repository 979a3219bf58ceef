#pragma once

#include "platform/PathStyle.h"

#include <QString>
#include <QStringList>
#include <optional>

// True when a name used as one path component cannot lead out of the folder it
// is put in: no separator, no "..", no NUL. An empty name is allowed only where
// it means "the folder itself" (the local folder name). With Windows paths,
// also no name that Windows refuses (isRefusedByWindows).
bool isPlainPathComponent(const QString &name, bool allowEmpty, PathStyle style);

// A name Windows will not store as it stands: a character it reserves
// (< > : " / \ | ? * and control characters), a trailing dot or blank, or a
// device's name with any extension and in any case: CON, PRN, AUX, NUL,
// COM0..9, LPT0..9, COM and LPT with a superscript 1, 2 or 3 (which Windows
// counts as digits), CONIN$ and CONOUT$.
bool isRefusedByWindows(QStringView name);

// The name a file is stored under: with Windows paths without the trailing
// dots and blanks that Windows drops, so that "hana03." (an empty extension)
// is saved as hana03, as Windows itself would save it; as it stands with
// Unix paths. Whether what is left may be stored is isPlainPathComponent's.
QString storedName(const QString &name, PathStyle style);

// The steps of a folder path below the base directory as typed in a folder
// box: plain names joined by "/", or by "\" with Windows paths ("2024/spring").
// No steps for an empty box (the base directory itself); nothing when a step
// is not plain: "..", an empty step (so no root and no trailing separator),
// a drive.
std::optional<QStringList> folderSteps(const QString &text, PathStyle style);
