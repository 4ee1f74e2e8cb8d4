#pragma once
// The date key "yyyy-MM-dd" that every row and every window uses, and the
// user's short-date form in which stored dates are shown.

#include <QDate>
#include <QLocale>
#include <QString>

// The earliest and latest dates a picker offers.
inline QDate firstAllowedDate() { return QDate(2000, 1, 1); }
inline QDate lastAllowedDate() { return QDate(2099, 12, 31); }

// 7 May 2013 gives "2013-05-07".
QString dateKey(const QDate &date);

// The date a key names; invalid for a malformed key.
QDate dateFromKey(const QString &key);

// The key written in the user's short-date form with a four-digit year
// of the default locale (a United States setting shows 2013-09-17 as 9/17/2013). Text that is not
// a key comes back unchanged.
// The locale's short-date pattern with its year widened to four digits: the
// form of every date shown, printed or typed into a picker.
QString shortDatePattern(const QLocale &locale = QLocale());

QString ShortDate(const QString &key);
QString ShortDate(const QString &key, const QLocale &locale);
QString ShortDate(const QDate &date, const QLocale &locale = QLocale());
