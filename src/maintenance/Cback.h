#pragma once
// "Configure Backup": shows the backup folder kept in BACKUP.CFG and saves a
// new one picked with the folder browser.

#include "platform/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Tells the user, over `parent`, that the data folder cannot be the backup
// folder. Used when it is chosen in the browse window and when it is saved.
void refuseDataFolderAsBackup(Shell &shell, QWidget *parent);

class Cback : public ChildWindow {
    Q_OBJECT
public:
    explicit Cback(Shell &shell);

    LoadResult load() override;

    // Puts the folder chosen in the browse window into the path box.
    void setBackupPath(const QString &path);

    QLabel *Label1;
    QPushButton *Browse;
    QLineEdit *Bpath;
    QPushButton *SaveCon;
    QPushButton *CancelCon;

private:
    void Browse_Click();
    void SaveCon_Click();
};
