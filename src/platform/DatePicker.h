#pragma once
// The date picker: a day, month and year shown in the user's short-date form,
// limited to 2000-01-01 .. 2099-12-31, with a calendar pop-up and a notice
// when it loses the focus.
//
// Digits, Backspace, Delete, Up/Down and the arrow keys are the date edit's
// own: each part takes its digits (a leading zero may be left out) and hands
// on to the next part when no further digit could belong to it. The picker
// takes over only where the date edit would lose what was typed:
// - a separator ("/", ".", "-", a blank...) closes the part and moves to the
//   next one, never out of the picker; a separator typed just after a part
//   closed by itself is that part's end, so "2/10/2013" and "02/10/2013" give
//   the same date;
// - the keyboard arriving (the window opening, Tab, Shift+Tab) or typing over
//   the whole text starts at the first part; a click selects the part clicked;
// - a day beyond the end of the month shown waits for the month and year that
//   follow it (31, then 12, gives 31 December) instead of being refused;
// - a month spelled out takes its number too;
// - on leaving, the text shown is always the date held.
// Tab and Shift+Tab leave the picker, as they leave any other box.

#include "core/DateKey.h"

#include <QDateEdit>
#include <QLocale>

class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr, const char *name = "Bdates");

signals:
    void lostFocus();

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void selectPart(int part);
    // The part the cursor or the selection is in; -1 when the selection
    // reaches over more than one part.
    int partAtCursor() const;
    // Where a part stands in the text: its first character and its length.
    QPair<int, int> partSpan(int part) const;
    void typeSeparator();
    void typeDigit(QKeyEvent *event);
    // Puts back a day that the month or year shown could not hold when it
    // was typed, once the month and year typed after it can.
    void restoreTypedDay();

    bool justAdvanced_ = false; // the last digit closed its part by itself
    int typedDay_ = 0;          // the day as typed, 0 when none is waiting
    // The first digit of a day that a second digit may follow, and the date
    // shown after it; -1 when no day is half typed.
    int firstDayDigit_ = -1;
    QDate afterFirstDayDigit_;
    bool movingByKey_ = false; // a key of the date edit is being handled
};
