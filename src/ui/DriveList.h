#pragma once

#include "disk/VolumeList.h"

#include <QComboBox>
#include <functional>

// The drop-down list of volumes. Its value, the drive, is the root of the
// selected volume. driveChanged() is raised once for every change of the
// selected drive, whether the user picked it or code set it, and never for a
// selection of the drive already shown.
//
// The volumes are read on a thread of their own, at the start, when the list
// is opened and when a drive is set, since a sleeping disk or a lost network
// share can take seconds to answer; until they come, the list shows what it
// knew, or the top of the path it was last set to. A read that comes in
// selects the volume of that path without driveChanged(): nobody chose it,
// the list only learnt more about the same place.
class DriveList : public QComboBox
{
    Q_OBJECT

public:
    // Lists nothing until it is given where volumes come from.
    explicit DriveList(QWidget *parent = nullptr);

    // Where the volumes are read from; read on a thread of their own, now and
    // whenever they may have changed.
    void setVolumeReader(std::function<VolumeList()> read);

    QString drive() const { return m_drive; }
    // Selects the volume that holds pathOrRoot; false when no volume known
    // now does, and then the selection stays until the volumes read anew say
    // which one holds it.
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
    void readVolumes();
    // Lists volumes (when they differ from those shown) and selects
    // wantedRoot, else keeps the selection; a selected volume that has gone
    // gives way to the one that now holds its root. Unless quiet, emits once
    // if the drive changed.
    void apply(const VolumeList &volumes, const QString &wantedRoot, bool quiet = false);

    std::function<VolumeList()> m_read;
    VolumeList m_volumes;
    QString m_drive;
    // What setDrive() was last given.
    QString m_wanted;
    bool m_filling = false;
    bool m_reading = false;
    bool m_readAgain = false;
};
