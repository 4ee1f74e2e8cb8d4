#include "platform/DatePicker.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <utility>

DatePicker::DatePicker(QWidget *parent, const char *name) : QDateEdit(parent)
{
    setObjectName(QLatin1String(name));
    setDateRange(firstAllowedDate(), lastAllowedDate());
    setDisplayFormat(shortDatePattern());
    setCalendarPopup(true);
    // The text box inside takes the mouse.
    lineEdit()->installEventFilter(this);
}

void DatePicker::selectPart(int part)
{
    if (part < 0 || part >= sectionCount())
        return;
    setCurrentSectionIndex(part);
    setSelectedSection(sectionAt(part));
}

QPair<int, int> DatePicker::partSpan(int part) const
{
    const QString text = lineEdit()->text();
    int index = -1;
    for (int i = 0; i < text.size();) {
        if (!text[i].isLetterOrNumber()) {
            ++i;
            continue;
        }
        int end = i;
        while (end < text.size() && text[end].isLetterOrNumber())
            ++end;
        if (++index == part)
            return {i, end - i};
        i = end;
    }
    return {-1, 0};
}

int DatePicker::partAtCursor() const
{
    const QLineEdit *edit = lineEdit();
    int from = edit->cursorPosition(), to = from;
    if (edit->hasSelectedText()) {
        from = edit->selectionStart();
        to = from + int(edit->selectedText().size());
    }
    // The part that holds the cursor, or ends just before it; a part emptied
    // by Backspace is found between its two separators.
    int found = -1;
    for (int part = 0; part < sectionCount(); ++part) {
        const auto [start, length] = partSpan(part);
        if (start < 0)
            break;
        if (to > from && from < start + length && to > start && found >= 0 && found != part)
            return -1;
        if (found < 0 && from <= start + length)
            found = part;
    }
    if (found < 0)
        found = sectionCount() - 1;
    return found;
}

void DatePicker::focusInEvent(QFocusEvent *event)
{
    QDateEdit::focusInEvent(event);
    justAdvanced_ = false;
    typedDay_ = 0;
    firstDayDigit_ = -1;
    // However the keyboard comes in, a date typed next starts at its first part.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::MouseFocusReason)
        selectPart(0);
}

void DatePicker::focusOutEvent(QFocusEvent *event)
{
    justAdvanced_ = false;
    typedDay_ = 0;
    QDateEdit::focusOutEvent(event);
    // A part left half typed or empty shows the date held again.
    if (lineEdit()->text() != textFromDateTime(dateTime()))
        setDate(date());
    // The calendar pop-up takes the focus for a moment; that is no loss.
    if (event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    // A click into the text selects the part clicked, so that what is typed
    // next replaces it; a drag keeps what it selected. The date edit places
    // the cursor after the click is handled.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        justAdvanced_ = false;
        typedDay_ = 0;
        firstDayDigit_ = -1;
        QPointer<DatePicker> self(this);
        QTimer::singleShot(0, this, [self] {
            if (self && !self->lineEdit()->hasSelectedText())
                self->selectPart(self->partAtCursor());
        });
    }
    return QDateEdit::eventFilter(watched, event);
}

bool DatePicker::focusNextPrevChild(bool next)
{
    // Tab leaves the picker as it leaves any other box; Ctrl with an arrow
    // key moves between the parts.
    if (movingByKey_)
        return QDateEdit::focusNextPrevChild(next);
    return QWidget::focusNextPrevChild(next);
}

void DatePicker::typeSeparator()
{
    firstDayDigit_ = -1;
    if (justAdvanced_) {
        // The part before closed by itself: this separator is its end.
        justAdvanced_ = false;
        return;
    }
    const int part = partAtCursor();
    if (part >= 0 && part + 1 < sectionCount())
        selectPart(part + 1);
}

void DatePicker::typeDigit(QKeyEvent *event)
{
    QLineEdit *edit = lineEdit();
    int part = partAtCursor();
    if (part < 0) {
        // Typed over the whole text, or over more than one part: the date
        // starts again at its first part.
        part = 0;
        selectPart(part);
    }
    const auto [start, length] = partSpan(part);
    if (!edit->hasSelectedText() && length > 0 && edit->cursorPosition() != start + length) {
        // The cursor stands inside a whole part (after Home or an arrow
        // key): the digit starts that part afresh.
        selectPart(part);
    }
    const int digit = event->text().toInt();
    const bool fresh = edit->hasSelectedText() || length == 0;
    const int halfTyped = std::exchange(firstDayDigit_, -1);
    if (sectionAt(part) != DaySection) {
        QDateEdit::keyPressEvent(event);
        justAdvanced_ = currentSectionIndex() != part;
        restoreTypedDay();
        return;
    }
    const QDate shown = date();
    if (fresh && digit <= 3) {
        // A first digit that a second one may follow: the day stays open,
        // also where the month shown is too short for what may follow (3,
        // then 1, in February).
        QAbstractSpinBox::keyPressEvent(event);
        if (digit > 0)
            typedDay_ = digit;
        firstDayDigit_ = digit;
        afterFirstDayDigit_ = date();
        setCurrentSectionIndex(part);
        edit->deselect();
        edit->setCursorPosition(partSpan(part).first + partSpan(part).second);
        justAdvanced_ = false;
        return;
    }
    if (!fresh && halfTyped >= 0 && shown == afterFirstDayDigit_ && edit->cursorPosition() == start + length) {
        // The second digit of the day.
        const int day = halfTyped * 10 + digit;
        // A day that the month typed before it never has is not taken.
        const bool monthFirst = part > 0 && sectionAt(part - 1) == MonthSection;
        const int longest = shown.month() == 2 ? 29 : QDate(2000, shown.month(), 1).daysInMonth();
        if (day < 1 || day > 31 || (monthFirst && day > longest)) {
            QApplication::beep();
            event->accept();
            return;
        }
        typedDay_ = day;
        // A day beyond the end of the month shown stands at the month's last
        // day until the month and year typed after it can hold it.
        setDate(std::clamp(QDate(shown.year(), shown.month(), std::min(day, shown.daysInMonth())), minimumDate(),
                           maximumDate()));
        justAdvanced_ = part + 1 < sectionCount();
        selectPart(justAdvanced_ ? part + 1 : part);
        event->accept();
        return;
    }
    QDateEdit::keyPressEvent(event);
    justAdvanced_ = currentSectionIndex() != part;
    typedDay_ = date().day();
}

void DatePicker::restoreTypedDay()
{
    if (typedDay_ == 0 || !hasAcceptableInput())
        return;
    const QDate shown = date();
    const QDate typed(shown.year(), shown.month(), typedDay_);
    if (!typed.isValid() || typed == shown || typed < minimumDate() || typed > maximumDate())
        return;
    // Only the day's digits change; the cursor and the selection stay.
    QLineEdit *edit = lineEdit();
    const int cursor = edit->cursorPosition();
    const int selectionStart = edit->selectionStart();
    const int selectionLength = int(edit->selectedText().size());
    const int section = currentSectionIndex();
    setDate(typed);
    setCurrentSectionIndex(section);
    if (selectionLength > 0)
        edit->setSelection(selectionStart, selectionLength);
    else
        edit->setCursorPosition(cursor);
}

void DatePicker::keyPressEvent(QKeyEvent *event)
{
    const auto mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString text = event->text();
    const QChar c = text.size() == 1 ? text[0] : QChar();
    if (mods == Qt::NoModifier && c.isDigit()) {
        typeDigit(event);
    } else if (mods == Qt::NoModifier && c.isPrint() && !c.isLetterOrNumber()) {
        typeSeparator();
        event->accept();
    } else {
        // Letters (a spelled-out month), Backspace, Delete, the arrow keys,
        // Up and Down: the date edit's own.
        justAdvanced_ = false;
        firstDayDigit_ = -1;
        if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)
            typedDay_ = 0;
        movingByKey_ = event->key() != Qt::Key_Tab && event->key() != Qt::Key_Backtab;
        QDateEdit::keyPressEvent(event);
        movingByKey_ = false;
        restoreTypedDay();
    }
}
