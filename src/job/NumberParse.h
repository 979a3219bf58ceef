#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The leading number of a typed text, read leniently: blanks, tabs and line
// feeds anywhere are ignored, then an optional sign, digits with at most one
// ".", an optional exponent (E or D), or &H hex / &O octal. Stops at the first
// character that cannot continue the number; no number at all reads as 0.
double leadingNumber(const QString &text);

// Rounds half to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double value);

// leadingNumber rounded half to even; empty when it falls outside the given
// range (by default the 16-bit range the job's numbers live in).
std::optional<qint64> roundedNumber(const QString &text, qint64 lowest, qint64 highest);

// A typed job number (digit count, first or last number): empty when it does
// not fit -32768..32767, so the caller keeps its previous value.
std::optional<qint16> ReadNumber(const QString &text);

// The value of a text that is one number and nothing else, blanks around it
// allowed: optional sign, digits with at most one ".", optional exponent (E or
// D), or &H hex / &O octal. Unlike a typed job number, "12abc" and "1 2" are
// no numbers here.
std::optional<double> wholeNumber(const QString &text);

// wholeNumber rounded half to even; empty when it is no number or falls
// outside lowest..highest.
std::optional<qint64> roundedWholeNumber(const QString &text, qint64 lowest, qint64 highest);
