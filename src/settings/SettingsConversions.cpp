#include "settings/SettingsConversions.h"

#include "job/NumberParse.h"

#include <cmath>
#include <limits>

namespace {

constexpr qint32 offScreenSentinel = 45000;

} // namespace

std::optional<bool> readFlag(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (trimmed.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    const auto number = wholeNumber(trimmed);
    if (!number)
        return std::nullopt;
    return *number != 0;
}

QString flagText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

std::optional<qint16> readSync(const QString &text)
{
    const auto value = roundedWholeNumber(text, std::numeric_limits<qint16>::min(),
                                          std::numeric_limits<qint16>::max());
    if (!value || *value < 0 || *value > 2)
        return std::nullopt;
    return qint16(*value);
}

std::optional<qint32> readPosition(const QString &text)
{
    const auto value = roundedWholeNumber(text, std::numeric_limits<qint32>::min(),
                                          std::numeric_limits<qint32>::max());
    if (!value)
        return std::nullopt;
    return *value == offScreenSentinel ? 0 : qint32(*value);
}

qint32 storedPosition(double twips)
{
    const float single = float(twips);
    if (std::isnan(single))
        return 0;
    const double rounded = roundHalfEven(double(single));
    if (rounded <= double(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    if (rounded >= double(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    return qint32(rounded);
}

double appliedPosition(qint32 twips)
{
    return double(float(twips));
}
