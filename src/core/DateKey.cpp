#include "core/DateKey.h"

#include <QRegularExpression>

QString dateKey(const QDate &date) { return date.toString(QStringLiteral("yyyy-MM-dd")); }

QDate dateFromKey(const QString &key)
{
    // "yyyy-MM-dd", digits and dashes only.
    if (key.size() != 10 || key[4] != QLatin1Char('-') || key[7] != QLatin1Char('-'))
        return {};
    const auto number = [&key](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t c = key[i].unicode();
            if (c < '0' || c > '9')
                return -1;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
    if (year < 0 || month < 0 || day < 0)
        return {};
    return QDate(year, month, day); // invalid for a month or day out of range
}

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

QString ShortDate(const QDate &date, const QLocale &locale) { return locale.toString(date, shortDatePattern(locale)); }

QString ShortDate(const QString &key, const QLocale &locale)
{
    const QDate date = dateFromKey(key);
    return date.isValid() ? ShortDate(date, locale) : key;
}

QString ShortDate(const QString &key) { return ShortDate(key, QLocale()); }
