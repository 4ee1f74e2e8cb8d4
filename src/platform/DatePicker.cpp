#include "platform/DatePicker.h"

#include <QFocusEvent>
#include <QRegularExpression>

QString shortDatePattern(const QLocale &locale)
{
    // Reports and charts ask for it once for every date they show: the last
    // answer is kept for as long as the locale's own form stays the same.
    thread_local QString lastFormat;
    thread_local QString lastPattern;
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    if (format != lastFormat || lastPattern.isEmpty()) {
        static const QRegularExpression years(QStringLiteral("y+"));
        lastPattern = QString(format).replace(years, QStringLiteral("yyyy"));
        lastFormat = format;
    }
    return lastPattern;
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
