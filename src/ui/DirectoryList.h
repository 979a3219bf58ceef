#pragma once

#include "disk/VolumeList.h"

#include <QIcon>
#include <QListWidget>

// The directory list: the way from the volume's root down to the open
// directory, each step indented one level further, then the open directory's
// subdirectories. Its value, the path, is absolute and clean, with "/" between
// names, ending in "/" only at a root ("/", "C:/"). pathChanged() is raised
// once for every change of path, whether the user opened an entry
// (double-click, Enter) or code set it, and never for the path already open.
class DirectoryList : public QListWidget
{
    Q_OBJECT

public:
    enum Role {
        PathRole = Qt::UserRole, // full path of the entry
        DepthRole, // indentation level: 0 for the root
    };

    // Opens nothing until a path is set.
    explicit DirectoryList(QWidget *parent = nullptr);

    QString path() const { return m_path; }
    // Opens path; false, with nothing changed, when it cannot be entered
    // (missing, not a directory, no permission to list or enter it).
    bool setPath(const QString &path);

    // The volumes whose roots the way down starts from; without one that
    // holds the path, the way starts at the top of the path.
    void setVolumes(const VolumeList &volumes);
    // Reads the open directory again. When it has gone, the nearest ancestor
    // that can still be entered is opened, which is a change of path.
    void refresh();

    // path made absolute (against the current directory) and clean; empty for
    // an empty path.
    static QString normalisedPath(const QString &path);
    static bool canEnter(const QString &cleanPath);

Q_SIGNALS:
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    void announceCurrentEntry();
    void openItem(QListWidgetItem *item);
    void fill();
    void loadIcons();
    QString wayRoot() const;

    QString m_path;
    VolumeList m_volumes;
    QIcon m_openIcon;
    QIcon m_closedIcon;
};
