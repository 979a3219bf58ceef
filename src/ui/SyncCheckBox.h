#pragma once

#include <QCheckBox>

// The folder-sync box: code may set the dimmed tick (a stored value of 2), but
// a click by the user only ever switches between unticked and ticked.
class SyncCheckBox final : public QCheckBox
{
    Q_OBJECT

public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override;
};
