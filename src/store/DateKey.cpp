#include "store/DateKey.h"

#include <QRegularExpression>

QString dateKey(const QDate &date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QDate dateFromKey(const QString &key)
{
    if (key.size() != 10)
        return {};
    return QDate::fromString(key, QStringLiteral("yyyy-MM-dd"));
}

QString shortDatePattern(const QLocale &locale)
{
    QString pattern = locale.dateFormat(QLocale::ShortFormat);
    static const QRegularExpression years(QStringLiteral("y+"));
    pattern.replace(years, QStringLiteral("yyyy"));
    return pattern;
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
