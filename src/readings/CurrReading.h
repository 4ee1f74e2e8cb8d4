#pragma once
// The browser: the hub of an open diary. It shows one date at a time with its
// eight readings, steps through the dates, deletes the shown date, and opens
// the windows that add, edit, search, list and print. Its loading step opens
// the diary for the user; its closing step closes it.

#include "core/ReadingDay.h"
#include "platform/ChildWindow.h"
#include "platform/Shell.h"

#include <array>

class QLineEdit;
class QPushButton;
class Cursor;

class CurrReading : public ChildWindow, public ShownDay {
    Q_OBJECT
public:
    explicit CurrReading(Shell &shell);

    LoadResult load() override;

    // What the other windows read and write.
    bool showsDate() const override;
    QString shownKey() const override;  // the hidden key "yyyy-MM-dd"
    QString shownDate() const override; // the date as shown
    ReadingDay shownDay() const override;
    void showDay(const ReadingDay &day) override; // the show step
    void clearDay() override;

    QLineEdit *DatabaseName;
    QLineEdit *Bdates;
    QLineEdit *Bdate;
    std::array<QLineEdit *, kReadingKinds> readings; // Bfast ... Night

    QPushButton *MoveFirst;
    QPushButton *Previous;
    QPushButton *Next;
    QPushButton *MoveLast;
    QPushButton *Search;
    QPushButton *AddNewDate;
    QPushButton *PrtToScr;
    QPushButton *EditReading;
    QPushButton *PrtRpt;
    QPushButton *DeleteReading;
    QPushButton *CloseDbase;

protected:
    void closingStep() override;

private:
    void MoveFirst_Click();
    void MoveLast_Click();
    void Next_Click();
    void Previous_Click();
    void DeleteReading_Click();
    void openIfShowing(const char *window);

    // One step from the shown date, forward (Next) or back (Previous).
    void stepShown(bool forward);
    // Seeks the shown key; tells the user when it is no longer stored.
    bool seekShown(Cursor &cursor);
    void tellNotStored();
};
