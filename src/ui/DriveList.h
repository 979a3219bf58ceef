#pragma once

#include "disk/VolumeList.h"

#include <QComboBox>

// The drop-down list of volumes. Its value, the drive, is the root of the
// selected volume. driveChanged() is raised once for every change of the
// selected drive, whether the user picked it or code set it, and never for a
// selection of the drive already shown.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    // Lists the system's volumes and selects the drive of the current directory.
    explicit DriveList(QWidget *parent = nullptr);

    QString drive() const { return m_drive; }
    // Selects the volume that holds pathOrRoot; false when no listed volume
    // does, and then the selection stays.
    bool setDrive(const QString &pathOrRoot);

    const VolumeList &volumes() const { return m_volumes; }
    // Replaces the listed volumes (tests give a made-up table). The selection
    // stays on its volume when that is still listed, else it moves to the
    // volume that now holds its root, which counts as a change.
    void setVolumes(const VolumeList &volumes);

    void showPopup() override;

Q_SIGNALS:
    void driveChanged();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void onCurrentIndexChanged(int index);
    // Lists volumes (when they differ from those shown) and selects
    // wantedRoot, else keeps the selection; emits once if the drive changed.
    void apply(const VolumeList &volumes, const QString &wantedRoot);

    VolumeList m_volumes;
    QString m_drive;
    bool m_filling = false;
    bool m_fromSystem = true;
};
