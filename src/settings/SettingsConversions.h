#pragma once

#include <QString>
#include <optional>

// How stored text becomes the values of the settings and back. Each reader
// returns nothing for text that does not convert, and the caller falls back to
// the key's default.
//
// A numeric text must be a number as a whole: blanks around it are allowed, but
// "12abc" is not a number here, unlike in a typed job number. A settings value
// with trailing junk was not written by the program, and guessing at it could
// turn a damaged "0x" into a position or a flag.

// "True" / "False" in any letter case, or a number (true when not zero).
std::optional<bool> readFlag(const QString &text);
QString flagText(bool value);

// The folder-sync value: a number rounded half to even that is 0, 1 or 2, the
// only values the check box can take.
std::optional<qint16> readSync(const QString &text);

// A window edge in twips: a number rounded half to even within the 32-bit
// range. A value of exactly 45000 reads as 0.
std::optional<qint32> readPosition(const QString &text);

// The window's edge, a single-precision number of twips, as the whole number
// that is stored: rounded half to even (a fraction of a twip is far below a
// pixel) and held to the 32-bit range; a value that is not a number gives 0.
qint32 storedPosition(double twips);

// A stored edge as the window takes it: a single-precision number of twips.
double appliedPosition(qint32 twips);
