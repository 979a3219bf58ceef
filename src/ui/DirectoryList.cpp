#include "ui/DirectoryList.h"

#include "platform/FolderAccess.h"

#include <QAccessible>
#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <algorithm>

namespace {

// The parent of a clean absolute path; a root is its own parent.
QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || slash == path.size() - 1)
        return path;
    const QString parent = path.left(slash);
    // "/a" -> "/", "C:/a" -> "C:/"
    if (parent.isEmpty() || parent.endsWith(QLatin1Char(':')))
        return parent + QLatin1Char('/');
    return parent;
}

QString childOf(const QString &parent, const QString &name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}

// Draws each entry shifted right by its depth, like a folder tree, and keeps
// the text inside the visible width so that long names elide instead of
// running off behind the frame.
class IndentDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + indentOf(option, index));
        if (const auto *view = qobject_cast<const QAbstractItemView *>(parent()))
            shifted.rect.setRight(qMin(shifted.rect.right(), view->viewport()->width() - 1));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(option, index);
        return size;
    }

private:
    static int indentOf(const QStyleOptionViewItem &option, const QModelIndex &index)
    {
        const int step = option.fontMetrics.averageCharWidth() * 3 / 2;
        return index.data(DirectoryList::DepthRole).toInt() * step;
    }
};

} // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setTextElideMode(Qt::ElideMiddle);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirectoryList::openItem);
    // Looking the folder icons up searches the icon theme's folders, which
    // costs as much as the rest of the window's start-up; the entries get
    // their icons once the window is up.
    QTimer::singleShot(0, this, &DirectoryList::loadIcons);
}

void DirectoryList::loadIcons()
{
    m_openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    m_closedIcon = style()->standardIcon(QStyle::SP_DirIcon);
    // The way down to the open directory, then its subdirectories.
    for (int row = 0; row < count(); ++row)
        item(row)->setIcon(row <= currentRow() ? m_openIcon : m_closedIcon);
}

QString DirectoryList::normalisedPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    QString absolute = QDir::fromNativeSeparators(path);
    if (QDir::isRelativePath(absolute))
        absolute = QDir::current().absoluteFilePath(absolute);
    QString clean = QDir::cleanPath(absolute);
    // cleanPath keeps ".." that climbs above the root ("/../a"); the root is
    // its own parent.
    static const QString upFromTop = QStringLiteral("/..");
    while (clean.startsWith(upFromTop)
           && (clean.size() == upFromTop.size() || clean.at(upFromTop.size()) == QLatin1Char('/')))
        clean.remove(0, upFromTop.size());
    return clean.isEmpty() ? QStringLiteral("/") : clean;
}

bool DirectoryList::canEnter(const QString &cleanPath)
{
    return Platform::canEnterFolder(cleanPath);
}

bool DirectoryList::setPath(const QString &path)
{
    const QString clean = normalisedPath(path);
    if (clean.isEmpty() || !canEnter(clean))
        return false;
    if (clean.compare(m_path, m_volumes.pathCase()) == 0)
        return true;
    m_path = clean;
    fill();
    Q_EMIT pathChanged();
    return true;
}

void DirectoryList::setVolumes(const VolumeList &volumes)
{
    m_volumes = volumes;
    if (!m_path.isEmpty())
        fill();
}

void DirectoryList::refresh()
{
    QString open = m_path;
    while (!canEnter(open) && parentOf(open) != open)
        open = parentOf(open);
    if (open == m_path || !canEnter(open)) {
        fill();
        return;
    }
    m_path = open;
    fill();
    Q_EMIT pathChanged();
}

void DirectoryList::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        openItem(currentItem());
        event->accept();
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirectoryList::focusInEvent(QFocusEvent *event)
{
    QListWidget::focusInEvent(event);
    // Qt tells assistive technology which entry has the focus only when the
    // current entry changes, so a reader tabbing in heard "list" and its size
    // but never the open folder. The entry is named as the focus target once
    // the list's own focus event has gone out, so that it is the last word.
    if (QAccessible::isActive())
        QTimer::singleShot(0, this, &DirectoryList::announceCurrentEntry);
}

void DirectoryList::announceCurrentEntry()
{
    const QModelIndex current = currentIndex();
    if (!hasFocus() || !current.isValid())
        return;
    QAccessibleEvent focus(this, QAccessible::Focus);
    // One column and no hidden rows: the accessible child is the row.
    focus.setChild(current.row());
    QAccessible::updateAccessibility(&focus);
}

void DirectoryList::openItem(QListWidgetItem *item)
{
    if (!item)
        return;
    // The item is gone once the list is filled anew.
    const QString target = item->data(PathRole).toString();
    if (!setPath(target))
        refresh(); // it vanished or was locked meanwhile: show what is there now
}

QString DirectoryList::wayRoot() const
{
    const QString root = m_volumes.driveOf(m_path);
    if (!root.isEmpty())
        return root;
    QString top = m_path;
    while (parentOf(top) != top)
        top = parentOf(top);
    return top;
}

void DirectoryList::fill()
{
    clear();
    const QString root = wayRoot();

    QStringList way { m_path };
    while (way.constFirst().compare(root, m_volumes.pathCase()) != 0
           && parentOf(way.constFirst()) != way.constFirst())
        way.prepend(parentOf(way.constFirst()));

    auto add = [this](const QIcon &icon, const QString &text, const QString &path, int depth) {
        auto *item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, path);
        item->setData(DepthRole, depth);
    };

    for (int depth = 0; depth < way.size(); ++depth) {
        const QString &step = way.at(depth);
        const QString text
            = depth == 0 ? QDir::toNativeSeparators(step) : QFileInfo(step).fileName();
        add(m_openIcon, text, step, depth);
    }
    QListWidgetItem *open = item(count() - 1);

    // Hidden directories are left out, as a file manager does by default.
    QStringList names = QDir(m_path).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&](const QString &a, const QString &b) {
        const int order = collator.compare(a, b);
        return order != 0 ? order < 0 : a < b;
    });
    for (const QString &name : std::as_const(names))
        add(m_closedIcon, name, childOf(m_path, name), int(way.size()));

    setCurrentItem(open);
    scrollToItem(open);
}
