#pragma once

#include <QLabel>

// A status line that keeps its caption exactly as set (the log line is taken
// from it) but draws long addresses wrapped anywhere, since URLs have no
// blanks to break at, and elided in the middle beyond what fits.
class StatusLine final : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override;
};
