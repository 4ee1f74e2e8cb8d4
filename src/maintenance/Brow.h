#pragma once
// "Browse For Backup Folder": picks the backup folder from a drive list and a
// folder list and hands it to "Configure Backup".

#include "core/Drives.h"
#include "platform/ChildWindow.h"

class FolderList;
class QComboBox;
class QLineEdit;
class QPushButton;

class Brow : public ChildWindow {
    Q_OBJECT
public:
    explicit Brow(Shell &shell);

    LoadResult load() override;

    QComboBox *Drive1;
    FolderList *Dir1;
    QLineEdit *Text1;
    QPushButton *Save;
    QPushButton *CancelBrowse;

protected:
    void closingStep() override;

private:
    void Dir1_Change();
    void Drive1_Change();
    void Save_Click();
};
