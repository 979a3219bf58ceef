#pragma once

#include <QString>

// One sample address of a series, read as
//   base URL & folder & "/" & prefix & digits & "." & extension
// and split into the job fields the easy setup fills in. Positions are 1-based
// counts of UTF-16 code units, 0 meaning "not found"; searches are exact and
// case-sensitive, and the sample is used as given, without trimming.
//
// The window asks for the digit count between the extension and the prefix,
// and shows its messages in between, so the parts are offered one by one
// rather than as one result.
class SampleUrl
{
public:
    // Every position, and the position after it, has to fit a 16-bit position.
    static constexpr qsizetype maxLength = 32766;

    // A sample longer than maxLength cannot be analysed: it reads as the
    // empty text, every part comes out empty instead of a truncated or
    // shifted cut, and isAnalysable() says so, so that the job is kept.
    explicit SampleUrl(const QString &sample);

    bool isAnalysable() const { return m_analysable; }
    bool hasDot() const { return m_dotPos != 0; }
    bool hasSlash() const { return m_lastSlash != 0; }

    // Everything after the last "."; the whole sample when it holds none.
    QString extension() const;

    // The file name between the last "/" and the last "." less its last
    // digitCount characters, digitCount being the leading number of
    // digitText, unrounded. Empty when the whole text before the last "." is
    // exactly digitCount characters long.
    QString prefix(const QString &digitText) const;

    // The text between the last two slashes.
    QString folder() const;

    // Everything up to and including the slash before the folder.
    QString baseUrl() const;

    // At most length characters of text from the 1-based position start. The
    // length is rounded half to even first; a start past the end gives the
    // empty text, and so does a length below zero after rounding. A start
    // below 1 counts as 1.
    static QString substring(const QString &text, qsizetype start, double length);

private:
    QString m_sample;
    bool m_analysable = false;
    qint16 m_dotPos = 0;
    qint16 m_lastSlash = 0;
    qint16 m_prevSlash = 0;
};
