#include "core/RangeSummary.h"

#include "core/Database.h"
#include "core/DateKey.h"

#include <cmath>

QString ReadingText(double value)
{
    if (value == 0)
        return QStringLiteral(" 0");
    QString digits = QString::number(std::fabs(value), 'g', 7).toUpper();
    if (digits.startsWith(QLatin1String("0.")))
        digits.remove(0, 1);
    return (value < 0 ? QStringLiteral("-") : QStringLiteral(" ")) + digits;
}

namespace {

void count(KindSummary &s, float v, const QString &key)
{
    s.Count += 1;
    s.Total += v;
    // Strictly greater or less: among equal extremes the earliest date stays.
    if (s.Count == 1 || v > s.Highest) {
        s.Highest = v;
        s.HighestText = ReadingText(v);
        s.HighestDate = ShortDate(key);
    }
    if (s.Count == 1 || v < s.Lowest) {
        s.Lowest = v;
        s.LowestText = ReadingText(v);
        s.LowestDate = ShortDate(key);
    }
}

} // namespace

void RangeTally::add(const ReadingDay &day)
{
    ++summary_.lines;
    for (int k = 0; k < kReadingKinds; ++k) {
        const QString &text = day.readings[size_t(k)];
        if (isCountedReading(text))
            count(summary_.kinds[size_t(k)], readingValue(text), day.key);
    }
}

RangeSummary RangeTally::summary() const
{
    RangeSummary summary = summary_;
    summary.pages = pagesOfLines(summary.lines);
    for (KindSummary &s : summary.kinds) {
        if (s.Count == 0)
            continue;
        const double average = s.Total / double(s.Count);
        s.AverageText = ReadingText(std::round(average * 100) / 100);
    }
    return summary;
}

RangeContent seekRange(Cursor &cursor, const QString &startKey, const QString &endKey)
{
    cursor.seek(SeekOp::AtLeast, startKey);
    if (cursor.noMatch())
        return RangeContent::NoDateFromStart;
    if (cursor.key() > endKey)
        return RangeContent::NoDateInRange;
    return RangeContent::Dates;
}

QString nothingToPrintText(RangeContent content)
{
    switch (content) {
    case RangeContent::Dates: break;
    // The first of the two has always been spelt so; people know it by it.
    case RangeContent::NoDateFromStart: return QStringLiteral("Thee are no readings to print.");
    case RangeContent::NoDateInRange: return QStringLiteral("There are no readings to print.");
    }
    return QString();
}

CollectedRange CollectRangeSummary(Cursor &cursor, const QString &startKey, const QString &endKey)
{
    if (const RangeContent content = seekRange(cursor, startKey, endKey); content != RangeContent::Dates)
        return {std::nullopt, content};

    // One walk counts the lines and gathers the statistics alike; the cursor
    // stands on the first date of the range.
    RangeTally tally;
    for (; !cursor.eof() && cursor.key() <= endKey; cursor.moveNext())
        tally.add(cursor.row());
    return {tally.summary(), RangeContent::Dates};
}
