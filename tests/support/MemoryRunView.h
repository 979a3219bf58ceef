#pragma once

#include "RunView.h"

#include <QHash>
#include <QStringList>

// The window as a download run sees it, held in memory. Every change the run
// makes is also appended to trace() ("caption STOP", "status0 <text>"), so a
// test can check the order of effects against other events it records there.
class MemoryRunView final : public RunView
{
public:
    void setJobText(JobBox box, const QString &text) { m_boxes.insert(box, text); }
    void setBaseDirectory(const QString &path) { m_base = path; }
    QStringList &trace() { return m_trace; }

    QString jobText(JobBox box) const override;
    void setButtonCaption(const QString &caption) override;
    void setStatusText(int index, const QString &text) override;
    QString statusText(int index) const override;
    QString baseDirectory() const override;

private:
    QHash<JobBox, QString> m_boxes;
    QString m_status[2];
    QString m_base;
    QStringList m_trace;
};
