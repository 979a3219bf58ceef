#include "ui/DriveList.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QDir>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QThread>
#include <memory>

namespace {

// What a screen reader is told about the drive list. Qt's own combo-box
// accessible gives its current text as its name on Linux, so Orca announced
// "/ combo box" and never what the box is for. Here the name is the box's
// accessible name and the drive is its value and its text, which is where
// AT-SPI readers look for a combo box's value; the open list stays its child
// as in Qt's, so the reader can walk the drives.
class DriveListAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit DriveListAccessible(DriveList *list)
        : QAccessibleWidget(list, QAccessible::ComboBox)
    {
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return current();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.expandable = true;
        s.expanded = comboBox()->view()->isVisible();
        return s;
    }

    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(comboBox()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == comboBox()->view() ? 0 : -1;
    }

    QStringList actionNames() const override { return { showMenuAction(), pressAction() }; }
    void doAction(const QString &action) override
    {
        if (action != showMenuAction() && action != pressAction())
            return;
        if (comboBox()->view()->isVisible())
            comboBox()->hidePopup();
        else
            comboBox()->showPopup();
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    // The text is read-only and has no caret: the drive as shown.
    QString text(int startOffset, int endOffset) const override
    {
        return current().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(current().size()); }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    int selectionCount() const override { return 0; }
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

private:
    QComboBox *comboBox() const { return static_cast<QComboBox *>(widget()); }
    QString current() const { return comboBox()->currentText(); }
};

QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    if (className == QLatin1String(DriveList::staticMetaObject.className()))
        return new DriveListAccessible(static_cast<DriveList *>(object));
    return nullptr;
}

} // namespace

DriveList::DriveList(QWidget *parent)
    : QComboBox(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFor);
        return true;
    }();
    Q_UNUSED(factoryInstalled)
    connect(this, &QComboBox::currentIndexChanged, this, &DriveList::onCurrentIndexChanged);
}

void DriveList::setVolumeReader(std::function<VolumeList()> read)
{
    m_read = std::move(read);
    readVolumes();
}

void DriveList::readVolumes()
{
    if (!m_read)
        return;
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    auto volumes = std::make_shared<VolumeList>();
    QThread *thread = QThread::create([read = m_read, volumes] { *volumes = read(); });
    connect(thread, &QThread::finished, this, [this, volumes] {
        m_reading = false;
        apply(*volumes, volumes->driveOf(m_wanted), true);
        if (std::exchange(m_readAgain, false))
            readVolumes();
    });
    // Gone when done, also when the list went first.
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

bool DriveList::setDrive(const QString &pathOrRoot)
{
    m_wanted = pathOrRoot;
    // A volume mounted since the list was read must be found too.
    readVolumes();
    if (m_volumes.size() == 0)
        apply(VolumeList::holding(pathOrRoot, m_volumes.style()), QString(), true);
    QString root = m_volumes.rootOf(pathOrRoot);
    if (root.isEmpty())
        root = m_volumes.driveOf(pathOrRoot);
    apply(m_volumes, root);
    return !root.isEmpty();
}

void DriveList::showPopup()
{
    readVolumes();
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

void DriveList::apply(const VolumeList &volumes, const QString &wantedRoot, bool quiet)
{
    const QString before = m_drive;
    m_filling = true;
    const bool changed = volumes.volumes() != m_volumes.volumes() || count() != volumes.size();
    if (changed) {
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
    if (changed)
        Q_EMIT volumesChanged(m_volumes);
    if (!quiet && !before.isEmpty() && m_drive != before)
        Q_EMIT driveChanged();
}
