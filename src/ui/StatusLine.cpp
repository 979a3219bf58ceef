#include "ui/StatusLine.h"

#include <QFontMetrics>
#include <QPainter>

namespace {
// About twenty frames a second: a steady flow of addresses to the eye, and a
// few dozen layouts in a run of a thousand files.
constexpr int frameMs = 50;
} // namespace

StatusLine::StatusLine(QWidget *parent)
    : QLabel(parent)
{
    m_frame.setSingleShot(true);
    m_frame.setInterval(frameMs);
    connect(&m_frame, &QTimer::timeout, this, &StatusLine::showLatest);
}

void StatusLine::showText(const QString &text)
{
    m_latest = text;
    if (!m_frame.isActive())
        showLatest();
}

void StatusLine::showLatest()
{
    if (text() == m_latest)
        return;
    setText(m_latest);
    m_frame.start();
}

void StatusLine::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event); // the frame only; the text is drawn below

    const QRect area = contentsRect().adjusted(2, 1, -2, -1);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWrapAnywhere;
    const QFontMetrics metrics(font());
    QString shown = text();
    if (metrics.boundingRect(area, flags, shown).height() > area.height()) {
        const int lines = qMax(1, area.height() / metrics.lineSpacing());
        // Leave room for the wrap not filling each line to the last pixel.
        int budget = lines * area.width() - metrics.averageCharWidth() * 2 * lines;
        do {
            shown = metrics.elidedText(text(), Qt::ElideMiddle, budget);
            budget -= metrics.averageCharWidth();
        } while (budget > 0 && metrics.boundingRect(area, flags, shown).height() > area.height());
    }
    QPainter painter(this);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(area, flags, shown);
}
