#pragma once
// The statistics of a report's date range: for every reading kind the number
// of readings, their highest and lowest value with its date, and the average.

#include "core/ReadingDay.h"
#include "core/ReadingKind.h"

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

class Cursor;

// Dates printed on a page of the report, one line each.
inline constexpr int kLinesPerPage = 50;

struct KindSummary {
    qint64 Count = 0;
    double Total = 0; // summed in double: a long range of readings stays exact
    float Highest = 0;
    float Lowest = 0;
    QString HighestText = noReadingsText();
    QString HighestDate;
    QString LowestText = noReadingsText();
    QString LowestDate;
    QString AverageText = noReadingsText();

    static QString noReadingsText() { return QStringLiteral("No Readings"); }
};

using KindSummaries = std::array<KindSummary, kReadingKinds>;

// What a walk over the range found.
struct RangeSummary {
    qint64 lines = 0; // dates in the range, one printed line each
    qint64 pages = 0; // pages of date lines
    KindSummaries kinds;
};

// A number written with a sign position in front (a space, or "-"), up to
// seven significant digits, no trailing zeros, and no 0 before the point:
// 123 -> " 123", 95.5 -> " 95.5", 0.5 -> " .5".
QString ReadingText(double value);

// Whether a stored reading text counts ("-" is no reading).
bool isCountedReading(QStringView text);
// The value a summary counts for a reading text: the number it begins with
// (leadingNumber) in single precision.
float readingValue(QStringView text);

// Whether a date range holds anything to print or export, and if not, why.
enum class RangeContent {
    Dates,           // at least one stored date lies in the range
    NoDateFromStart, // no stored date lies on or after the start
    NoDateInRange    // dates after the start, none up to the end
};

// Seeks the first stored date on or after startKey and says whether the range
// up to endKey (included) holds it; when it does, the cursor is on that date.
// Throws StoreError when the diary cannot be read.
RangeContent seekRange(Cursor &cursor, const QString &startKey, const QString &endKey);

// What the user is told when a range holds nothing: "Thee are no readings to
// print." when no date lies on or after the start, "There are no readings to
// print." when none lies within the range. Empty for a range with dates.
QString nothingToPrintText(RangeContent content);

// What a walk over a range gives: its summary, or, when there is nothing to
// print, why.
struct CollectedRange {
    std::optional<RangeSummary> summary;
    RangeContent content = RangeContent::Dates;
};

// The figures of a range gathered one date at a time, in the walk's order.
class RangeTally {
public:
    void add(const ReadingDay &day);
    qint64 lines() const { return summary_.lines; }
    // The lines, the pages and every kind's figures, its average included.
    RangeSummary summary() const;

private:
    RangeSummary summary_;
};

// Walks the stored dates from startKey to endKey (both included) and gathers
// the number of lines and pages and the statistics of each kind. The cursor is
// left anywhere. Throws StoreError when the diary cannot be read.
CollectedRange CollectRangeSummary(Cursor &cursor, const QString &startKey, const QString &endKey);

// The pages of date lines that `lines` dates fill.
inline qint64 pagesOfLines(qint64 lines) { return (lines + kLinesPerPage - 1) / kLinesPerPage; }
