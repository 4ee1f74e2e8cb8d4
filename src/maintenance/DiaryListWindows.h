#pragma once
// The three windows that list the diaries of the data folder and act on the
// one the user double-clicks: restore it from its backup, compact it, or
// repair it.

#include "platform/ChildWindow.h"

class QLabel;
class QListWidget;
class QPushButton;

class DiaryListWindow : public ChildWindow {
    Q_OBJECT
public:
    QLabel *Label1;
    QListWidget *File1;
    QPushButton *Cancel;

    // The bare file name selected in File1, or empty.
    QString selectedFile() const;

protected:
    struct Look {
        const char *name;
        QString caption;
        QString label;
        int helpContext;
        QSize list; // the list's size
        int buttonWidth;
    };
    DiaryListWindow(Shell &shell, const Look &look);

    // A double-click on a file, or Enter on the selected one.
    virtual void File1_DblClick() = 0;
};

// "Restore From Backup": copies a person's backup over their diary.
class RestBackup : public DiaryListWindow {
    Q_OBJECT
public:
    explicit RestBackup(Shell &shell);
    LoadResult load() override;

protected:
    void File1_DblClick() override;
};

// "Compact a Database": rewrites a diary into a fresh, compact file.
class CompactDbase : public DiaryListWindow {
    Q_OBJECT
public:
    explicit CompactDbase(Shell &shell);
    LoadResult load() override;

protected:
    void File1_DblClick() override;
};

// "Repair a Database": mends a damaged diary.
class RepairDbase : public DiaryListWindow {
    Q_OBJECT
public:
    explicit RepairDbase(Shell &shell);
    LoadResult load() override;

protected:
    void File1_DblClick() override;
};
