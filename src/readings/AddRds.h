#pragma once
// The window that stores a new date with its eight readings.

#include "readings/DateKeyWindow.h"

class Cursor;
class QLabel;
class ReadingEntryPanel;

class AddRds : public DateKeyWindow {
    Q_OBJECT
public:
    explicit AddRds(Shell &shell);

    LoadResult load() override;

    QLabel *Label1;
    ReadingEntryPanel *readings;
    QPushButton *SaveRd;
    QPushButton *CancelAdd;

private:
    void SaveRd_Click();
    // Whether the key is stored already; if so the browser shows that day.
    bool CheckForMatch(Cursor &cursor);
};
