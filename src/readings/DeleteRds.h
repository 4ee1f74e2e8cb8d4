#pragma once
// The window that removes every stored date before a date the user picks.

#include "readings/DateKeyWindow.h"

class QLabel;

class DeleteRds : public DateKeyWindow {
    Q_OBJECT
public:
    explicit DeleteRds(Shell &shell);

    LoadResult load() override;

    QLabel *Label1;
    QPushButton *DeleteRecords;
    QPushButton *Cancel;

private:
    void DeleteRecords_Click();
};
