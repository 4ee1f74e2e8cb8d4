#include "platform/DatePicker.h"

#include <QFocusEvent>
#include <QRegularExpression>

QString shortDatePattern(const QLocale &locale)
{
    QString pattern = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression years(QStringLiteral("y+"));
    pattern.replace(years, QStringLiteral("yyyy"));
    return pattern;
}

DatePicker::DatePicker(QWidget *parent, const char *name) : QDateEdit(parent)
{
    setObjectName(QLatin1String(name));
    setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31)); // as firstAllowedDate() .. lastAllowedDate()
    setDisplayFormat(shortDatePattern());
    setCalendarPopup(true);
}

void DatePicker::focusOutEvent(QFocusEvent *event)
{
    QDateEdit::focusOutEvent(event);
    // The calendar pop-up takes the focus for a moment; that is no loss.
    if (event->reason() != Qt::PopupFocusReason)
        emit lostFocus();
}
