#include "store/DateKey.h"


QString dateKey(const QDate &date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QDate dateFromKey(const QString &key)
{
    if (key.size() != 10)
        return {};
    return QDate::fromString(key, QStringLiteral("yyyy-MM-dd"));
}

QString ShortDate(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, shortDatePattern(locale));
}

QString ShortDate(const QString &key, const QLocale &locale)
{
    const QDate date = dateFromKey(key);
    return date.isValid() ? ShortDate(date, locale) : key;
}

QString ShortDate(const QString &key) { return ShortDate(key, QLocale()); }
