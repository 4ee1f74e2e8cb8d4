#pragma once
// The window that lists the diaries of the data folder; a double-click on one
// opens it in the browser. While the browser lives this window stays, hidden,
// and its selection names the current diary.

#include "platform/ChildWindow.h"

class QLabel;
class QListWidget;
class QPushButton;

class SelectDbase : public ChildWindow {
    Q_OBJECT
public:
    explicit SelectDbase(Shell &shell);

    // The bare file name selected in File1, or empty.
    QString selectedFile() const;

    QLabel *FolderLabel; // the folder whose diaries File1 lists
    QListWidget *File1;
    QPushButton *Command1;

private:
    void File1_DblClick();
};
