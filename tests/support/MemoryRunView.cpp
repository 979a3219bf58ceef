#include "MemoryRunView.h"

QString MemoryRunView::jobText(JobBox box) const
{
    return m_boxes.value(box);
}

void MemoryRunView::setButtonCaption(const QString &caption)
{
    m_trace.append(QStringLiteral("caption ") + caption);
}

void MemoryRunView::setStatusText(int index, const QString &text)
{
    if (index < 0 || index > 1)
        return;
    m_status[index] = text;
    m_trace.append(QStringLiteral("status%1 %2").arg(index).arg(text));
}

QString MemoryRunView::statusText(int index) const
{
    return index == 0 || index == 1 ? m_status[index] : QString();
}

QString MemoryRunView::baseDirectory() const
{
    return m_base;
}
