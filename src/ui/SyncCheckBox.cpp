#include "ui/SyncCheckBox.h"

void SyncCheckBox::nextCheckState()
{
    // Like an automatic two-state box: unticked becomes ticked, anything else
    // (ticked or the dimmed tick) becomes unticked.
    setCheckState(checkState() == Qt::Unchecked ? Qt::Checked : Qt::Unchecked);
}
