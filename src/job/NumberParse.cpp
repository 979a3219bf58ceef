#include "job/NumberParse.h"

#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>

namespace {

bool isIgnorable(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// The text with every blank, tab and line feed taken out, since they may stand
// anywhere, even between the digits ("1 2" reads as 12).
QString withoutBlanks(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (!isIgnorable(c))
            out.append(c);
    }
    return out;
}

int digitValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return 99;
}

double radixNumber(const QString &s, qsizetype pos, int radix)
{
    double value = 0;
    for (; pos < s.size() && digitValue(s.at(pos)) < radix; ++pos)
        value = value * radix + digitValue(s.at(pos));
    return value;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double leadingNumber(const QString &text)
{
    const QString s = withoutBlanks(text);
    if (s.size() >= 2 && s.at(0) == u'&') {
        const QChar kind = s.at(1).toUpper();
        if (kind == u'H')
            return radixNumber(s, 2, 16);
        if (kind == u'O')
            return radixNumber(s, 2, 8);
        return 0;
    }

    // Collect the longest prefix that forms a decimal number, in the C locale's
    // terms, and let the standard library convert it exactly.
    qsizetype pos = 0;
    std::string number;
    // from_chars takes a minus but no plus, so a plus is only stepped over.
    if (pos < s.size() && (s.at(pos) == u'+' || s.at(pos) == u'-')) {
        if (s.at(pos) == u'-')
            number.push_back('-');
        ++pos;
    }
    bool digits = false;
    while (pos < s.size() && isDigit(s.at(pos))) {
        number.push_back(char(s.at(pos++).unicode()));
        digits = true;
    }
    if (pos < s.size() && s.at(pos) == u'.') {
        number.push_back('.');
        ++pos;
        while (pos < s.size() && isDigit(s.at(pos))) {
            number.push_back(char(s.at(pos++).unicode()));
            digits = true;
        }
    }
    if (!digits)
        return 0;
    if (pos < s.size() && (s.at(pos).toUpper() == u'E' || s.at(pos).toUpper() == u'D')) {
        qsizetype expPos = pos + 1;
        std::string exponent = "e";
        if (expPos < s.size() && (s.at(expPos) == u'+' || s.at(expPos) == u'-'))
            exponent.push_back(char(s.at(expPos++).unicode()));
        bool expDigits = false;
        while (expPos < s.size() && isDigit(s.at(expPos))) {
            exponent.push_back(char(s.at(expPos++).unicode()));
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    // from_chars, unlike strtod, ignores the process locale that Qt sets up,
    // so "." stays the decimal point everywhere.
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Too small underflows to 0; too large becomes an infinity, which every
        // range check then rejects.
        if (number.find("e-") != std::string::npos)
            return 0.0;
        return number.front() == '-' ? -HUGE_VAL : HUGE_VAL;
    }
    return value;
}

double roundHalfEven(double value)
{
    return std::nearbyint(value);
}

std::optional<qint64> roundedNumber(const QString &text, qint64 lowest, qint64 highest)
{
    const double rounded = roundHalfEven(leadingNumber(text));
    if (rounded < double(lowest) || rounded > double(highest))
        return std::nullopt;
    return qint64(rounded);
}

std::optional<qint16> ReadNumber(const QString &text)
{
    const auto value = roundedNumber(text, std::numeric_limits<qint16>::min(),
                                     std::numeric_limits<qint16>::max());
    if (!value)
        return std::nullopt;
    return qint16(*value);
}

std::optional<double> wholeNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral(
        R"(^(?:[+-]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[EeDd][+-]?[0-9]+)?|&[Hh][0-9A-Fa-f]+|&[Oo][0-7]+)$)"));
    const QString trimmed = text.trimmed();
    if (!number.match(trimmed).hasMatch())
        return std::nullopt;
    // The pattern is the grammar leadingNumber reads, so it takes the whole text.
    return leadingNumber(trimmed);
}

std::optional<qint64> roundedWholeNumber(const QString &text, qint64 lowest, qint64 highest)
{
    if (!wholeNumber(text))
        return std::nullopt;
    return roundedNumber(text.trimmed(), lowest, highest);
}
