#pragma once
// The window that changes the day the browser shows: its readings and its
// date.

#include "readings/DateKeyWindow.h"

class QLabel;
class ReadingEntryPanel;

class EditRds : public DateKeyWindow {
    Q_OBJECT
public:
    explicit EditRds(Shell &shell);

    LoadResult load() override;

    QLabel *Label1;
    ReadingEntryPanel *readings;
    QPushButton *Save;
    QPushButton *Cancel;

    // What LookForMatch found.
    enum class Match {
        Free,   // the day keeps its date, or the new date is free
        Stored, // the new date is stored: the browser shows it, the window has closed
        Failed  // the diary could not be read; the user has been told
    };

protected:
    void pickerLeft() override;

private:
    void Save_Click();
    Match LookForMatch();

    QString editedKey_; // the day being edited, as it was stored
};
