#pragma once
// The folder list of the backup browser: from the top of its drive down to
// the current folder, each folder on its own line and indented by its depth,
// followed by the folders inside the current one. Opening a line (double-click
// or Enter) makes that folder the current one.

#include <QListWidget>

class FolderList : public QListWidget {
    Q_OBJECT
public:
    explicit FolderList(QWidget *parent = nullptr);

    // Starts the list at the top of a drive. False, and nothing changes, when
    // the folder cannot be read.
    bool setRoot(const QString &root, bool notify);
    // Makes a folder below the root the current one. False, and nothing
    // changes, when the folder cannot be read.
    bool setPath(const QString &path, bool notify);

    QString root() const { return root_; }
    QString path() const { return path_; }

signals:
    // The current folder was set: opened by the user or by a drive change.
    void changed();
    // The user opened a folder that cannot be read.
    void openFailed(const QString &path);

private:
    void rebuild();
    void open(QListWidgetItem *item);

    QString root_;
    QString path_;
};
