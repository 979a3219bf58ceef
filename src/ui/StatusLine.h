#pragma once

#include <QLabel>
#include <QTimer>

// A status line that draws long addresses wrapped anywhere, since URLs have
// no blanks to break at, and elided in the middle beyond what fits.
//
// A run gives it a new text for every file, hundreds of times a second; laying
// out and drawing each one would cost more than the download itself, for
// pixels replaced before anyone could see them. So a new text shows at once
// when the line has been quiet, and otherwise with the next frame.
class StatusLine final : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *parent = nullptr);

    void showText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void showLatest();

    QString m_latest;
    QTimer m_frame;
};
