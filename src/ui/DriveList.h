#pragma once

#include "disk/VolumeList.h"

#include <QComboBox>
#include <functional>

// The drop-down list of volumes. Its value, the drive, is the root of the
// selected volume. driveChanged() is raised once for every change of the
// selected drive, whether the user picked it or code set it, and never for a
// selection of the drive already shown.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    // Lists nothing until it is given where volumes come from.
    explicit DriveList(QWidget *parent = nullptr);

    // Reads the volumes from read now and whenever they may have changed
    // (the list is opened, a drive is set that is not listed), and selects
    // the drive of the current directory.
    void setVolumeReader(std::function<VolumeList()> read);

    QString drive() const { return m_drive; }
    // Selects the volume that holds pathOrRoot; false when no listed volume
    // does, and then the selection stays.
    bool setDrive(const QString &pathOrRoot);

    const VolumeList &volumes() const { return m_volumes; }

    void showPopup() override;

Q_SIGNALS:
    void driveChanged();
    // Another set of volumes is listed.
    void volumesChanged(const VolumeList &volumes);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void onCurrentIndexChanged(int index);
    // Lists volumes (when they differ from those shown) and selects
    // wantedRoot, else keeps the selection; a selected volume that has gone
    // gives way to the one that now holds its root. Emits once if the drive
    // changed.
    void apply(const VolumeList &volumes, const QString &wantedRoot);

    std::function<VolumeList()> m_read;
    VolumeList m_volumes;
    QString m_drive;
    bool m_filling = false;
};
