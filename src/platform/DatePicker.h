#pragma once
// The date picker: a day, month and year shown in the user's short-date form,
// limited to 2000-01-01 .. 2099-12-31, with a calendar pop-up and a notice
// when it loses the focus.
//
// A date is typed as it is shown: the digits of each part go into that part
// (a leading zero may be left out), a part is done when no further digit could
// belong to it or when a separator is typed ("/", ".", "-" or a blank), and the
// next part follows. A separator typed just after a part finished by itself is
// taken as that part's end, so "2/10/2013" and "02/10/2013" give the same date.
// A whole selected text is replaced from its first part. Every key stays in the
// picker; only Tab and Shift+Tab leave it.

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
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    // Tab leaves the picker, as it leaves any other box; the arrow keys move
    // between day, month and year.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

private:
    // Typing into the parts. Returns false for a key the picker leaves to the
    // date edit (a non-numeric part, a key with Ctrl or Alt).
    bool typeDigit(int digit);
    bool typeSeparator();
    // Starts typing afresh unless the user is still typing into the part that
    // the last typed key left selected.
    int partToTypeInto();
    void showTyped(int part);
    bool isNumericPart(int part) const;

    // The parts as typed so far; a day may stand beyond its month's end until
    // the month is typed (31, then 12, gives 31 December).
    int day_ = 0, month_ = 0, year_ = 0;
    QString digits_;            // the digits typed into the current part
    int part_ = -1;             // the part being typed into; -1: none
    bool justAdvanced_ = false; // the last part finished by itself
    QDate shown_;               // the date the picker showed after the last typed key
};
