#include "ui/DriveList.h"

#include <QAbstractItemView>
#include <QDir>
#include <QStyleOptionComboBox>
#include <QStylePainter>

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::onCurrentIndexChanged);
    apply(VolumeList::fromSystem(), QString());
}

bool DriveList::setDrive(const QString &pathOrRoot)
{
    // A volume mounted since the list was filled must be found too.
    const VolumeList volumes = m_fromSystem ? VolumeList::fromSystem() : m_volumes;
    QString root = volumes.rootOf(pathOrRoot);
    if (root.isEmpty())
        root = volumes.driveOf(pathOrRoot);
    apply(volumes, root);
    return !root.isEmpty();
}

void DriveList::setVolumes(const VolumeList &volumes)
{
    m_fromSystem = false;
    apply(volumes, QString());
}

void DriveList::showPopup()
{
    if (m_fromSystem)
        apply(VolumeList::fromSystem(), QString());
    // The box is narrow; the open list shows the names whole.
    const int wanted = view()->sizeHintForColumn(0) + 2 * view()->frameWidth()
        + view()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    view()->setMinimumWidth(qMax(width(), wanted));
    QComboBox::showPopup();
}

void DriveList::paintEvent(QPaintEvent *)
{
    // Names such as "/media/user/USB STICK (LABEL)" do not fit the closed box;
    // the middle goes, so the start of the path and the label stay readable.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field
        = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle,
                                                  field.width() - option.iconSize.width());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DriveList::onCurrentIndexChanged(int index)
{
    if (m_filling)
        return;
    const QString root = index < 0 ? QString() : itemData(index).toString();
    if (root == m_drive)
        return;
    m_drive = root;
    Q_EMIT driveChanged();
}

void DriveList::apply(const VolumeList &volumes, const QString &wantedRoot)
{
    const QString before = m_drive;
    m_filling = true;
    if (volumes.volumes() != m_volumes.volumes() || count() != volumes.size()) {
        m_volumes = volumes;
        clear();
        for (const VolumeList::Volume &volume : m_volumes.volumes())
            addItem(volume.displayName, volume.root);
    }
    int index = m_volumes.indexOfRoot(wantedRoot);
    if (index < 0 && !before.isEmpty())
        index = m_volumes.indexOfRoot(before);
    if (index < 0) {
        // First fill: the volume of the current directory. A selected volume
        // that has gone: the volume that now holds its mount path.
        const QString place = before.isEmpty() ? QDir::currentPath() : before;
        index = m_volumes.indexOfRoot(m_volumes.driveOf(place));
    }
    if (index < 0 && count() > 0)
        index = 0;
    setCurrentIndex(index);
    m_filling = false;
    m_drive = index < 0 ? QString() : itemData(index).toString();
    if (!before.isEmpty() && m_drive != before)
        Q_EMIT driveChanged();
}
