#include "setup/SampleUrl.h"

#include "job/NumberParse.h"

SampleUrl::SampleUrl(const QString &sample)
{
    if (sample.size() > maxLength)
        return;
    m_analysable = true;
    m_sample = sample;
    m_dotPos = qint16(m_sample.lastIndexOf(u'.') + 1);
    const qsizetype last = m_sample.lastIndexOf(u'/');
    m_lastSlash = qint16(last + 1);
    // lastIndexOf reads a start of -1 as "from the end", so a slash in the
    // first position must not search again.
    if (last > 0)
        m_prevSlash = qint16(m_sample.lastIndexOf(u'/', last - 1) + 1);
}

QString SampleUrl::extension() const
{
    return substring(m_sample, m_dotPos + 1, double(m_sample.size() - m_dotPos));
}

QString SampleUrl::prefix(const QString &digitText) const
{
    const double digitValue = leadingNumber(digitText);
    // DotPos counts from the start of the whole sample, so this holds only
    // when all the text before the last "." is digitValue characters long
    // (or for -1 without any "."). The length below would then be
    // -lastSlash, so the prefix is empty either way; the check keeps such
    // answers out of the negative-length case.
    if (digitValue + 1 == double(m_dotPos))
        return QString();
    // No "." or "/", a last "." before the last "/", or an answer longer than
    // the file name make this length negative: the prefix is then left empty
    // and the setup goes on with the folder and the base URL.
    const double length = (double(m_dotPos) - 1) - digitValue - double(m_lastSlash);
    return substring(m_sample, m_lastSlash + 1, length);
}

QString SampleUrl::folder() const
{
    // Without any "/" the length is -1: the folder is left empty and the setup
    // goes on with the base URL.
    return substring(m_sample, m_prevSlash + 1, double(m_lastSlash - m_prevSlash - 1));
}

QString SampleUrl::baseUrl() const
{
    return substring(m_sample, 1, double(m_prevSlash));
}

QString SampleUrl::substring(const QString &text, qsizetype start, double length)
{
    const double rounded = roundHalfEven(length);
    // Also catches NaN, which no comparison lets through.
    if (!(rounded >= 0))
        return QString();
    const qsizetype from = qMax<qsizetype>(start, 1) - 1;
    if (from >= text.size())
        return QString();
    // Compared as doubles first: a huge length must not be converted.
    const qsizetype available = text.size() - from;
    const qsizetype count = rounded >= double(available) ? available : qsizetype(rounded);
    return text.mid(from, count);
}
