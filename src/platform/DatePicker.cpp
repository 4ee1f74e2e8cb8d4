#include "platform/DatePicker.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>

namespace {

// For each day, month or year field of a display pattern, in order: whether
// it is written in digits (a day or month name is not).
QList<bool> numericFields(const QString &pattern)
{
    QList<bool> out;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            ++i;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (!quoted && (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')))
            out << (c == QLatin1Char('y') || run <= 2);
        i += run;
    }
    return out;
}

} // namespace

DatePicker::DatePicker(QWidget *parent, const char *name) : QDateEdit(parent)
{
    setObjectName(QLatin1String(name));
    setDateRange(firstAllowedDate(), lastAllowedDate());
    setDisplayFormat(shortDatePattern());
    setCalendarPopup(true);
}

void DatePicker::focusOutEvent(QFocusEvent *event)
{
    part_ = -1;
    QDateEdit::focusOutEvent(event);
    // The calendar pop-up takes the focus for a moment; that is no loss.
    if (event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}

void DatePicker::keyPressEvent(QKeyEvent *event)
{
    // The date edit's own typing moves the focus to the next control at a
    // separator (and with it the rest of the date), auto-advances in ways
    // that swallow a part, and drops a date typed over a selected text: the
    // digits and separators are the picker's own.
    const auto mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString text = event->text();
    if (mods == Qt::NoModifier && text.size() == 1) {
        const QChar c = text[0];
        const bool handled = c.isDigit()           ? typeDigit(c.digitValue())
            : c.isPrint() && !c.isLetterOrNumber() ? typeSeparator()
                                                   : false;
        if (handled) {
            event->accept();
            return;
        }
    }
    part_ = -1;
    QDateEdit::keyPressEvent(event);
}

bool DatePicker::isNumericPart(int part) const
{
    const QList<bool> numeric = numericFields(displayFormat());
    return numeric.size() == sectionCount() && part >= 0 && part < numeric.size() && numeric[part];
}

int DatePicker::partToTypeInto()
{
    const QLineEdit *edit = lineEdit();
    const bool whole = edit->hasSelectedText() && edit->selectedText() == edit->text();
    if (!whole && part_ >= 0 && date() == shown_ && currentSectionIndex() == part_)
        return part_;
    const QDate from = date();
    day_ = from.day();
    month_ = from.month();
    year_ = from.year();
    digits_.clear();
    justAdvanced_ = false;
    part_ = whole ? 0 : currentSectionIndex();
    return part_;
}

bool DatePicker::typeDigit(int digit)
{
    const int part = partToTypeInto();
    if (!isNumericPart(part)) {
        part_ = -1;
        return false;
    }
    justAdvanced_ = false;
    digits_ += QChar(u'0' + digit);
    const int value = digits_.toInt();
    bool done = false;
    switch (sectionAt(part)) {
    case DaySection:
        if (value >= 1 && value <= 31)
            day_ = value;
        done = digits_.size() >= 2 || value * 10 > 31;
        break;
    case MonthSection:
        if (value >= 1 && value <= 12)
            month_ = value;
        done = digits_.size() >= 2 || value * 10 > 12;
        break;
    case YearSection:
        // One or two digits name a year of the allowed century until the rest come.
        if (digits_.size() <= 2)
            year_ = firstAllowedDate().year() + value;
        else if (digits_.size() == 4 && value >= 1)
            year_ = value;
        done = digits_.size() >= 4;
        break;
    default: part_ = -1; return false;
    }
    if (!done) {
        showTyped(part);
        return true;
    }
    digits_.clear();
    justAdvanced_ = true;
    if (part + 1 < sectionCount())
        part_ = part + 1;
    showTyped(part_);
    return true;
}

bool DatePicker::typeSeparator()
{
    if (sectionCount() < 1)
        return false;
    const int part = partToTypeInto();
    if (justAdvanced_) {
        // The part before finished by itself: this separator is its end.
        justAdvanced_ = false;
        return true;
    }
    digits_.clear();
    if (part + 1 < sectionCount())
        part_ = part + 1;
    showTyped(part_);
    return true;
}

void DatePicker::showTyped(int part)
{
    const QDate first(year_, month_, 1);
    if (first.isValid()) {
        QDate typed(year_, month_, std::min(day_, first.daysInMonth()));
        typed = std::clamp(typed, minimumDate(), maximumDate());
        if (typed != date())
            setDate(typed);
    }
    shown_ = date();
    setCurrentSectionIndex(part);
    setSelectedSection(sectionAt(part));
}
