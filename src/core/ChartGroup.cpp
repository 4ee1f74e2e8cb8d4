#include "core/ChartGroup.h"

#include "core/Database.h"
#include "core/DateKey.h"

namespace {

bool hasReading(const QString &text) { return text != missingReading(); }

// Plots the cursor's row at point r when it holds a reading; counts it in n.
void plotRow(const ReadingDay &row, int kind, ChartGroup &group, int &r, int &n)
{
    const QString &text = row.readings[size_t(kind)];
    if (hasReading(text)) {
        group.points[size_t(r - 1)] = {ShortDate(row.key), leadingNumber(text)};
        ++r;
        ++n;
    }
    group.lineCount = n;
}

// Points r to 31 show zero without a date.
void blankFill(ChartGroup &group, int r)
{
    for (; r <= kChartPoints; ++r)
        group.points[size_t(r - 1)] = ChartPoint{};
}

// Plots forward until 31 readings are plotted or the dates run out, then
// blank-fills the rest. `everyRow` records every row visited as the anchor,
// not only those that were plotted.
void plotForward(Cursor &cursor, int kind, ChartGroup &group, bool everyRow)
{
    int r = 1, n = 0;
    for (;;) {
        if (cursor.eof()) {
            blankFill(group, r);
            return;
        }
        if (r == kChartPoints + 1)
            return;
        const ReadingDay &row = cursor.row();
        if (everyRow || hasReading(row.readings[size_t(kind)]))
            group.anchor = row.key;
        plotRow(row, kind, group, r, n);
        cursor.moveNext();
    }
}

bool emptyTable(const Cursor &cursor) { return cursor.bof() && cursor.eof(); }

// Positions a fresh cursor on the row with this key; should it be gone, on
// the next stored row, or past the last one when there is none.
void seekKeyOrNext(Cursor &cursor, const QString &key)
{
    if (emptyTable(cursor))
        return;
    cursor.seek(SeekOp::AtLeast, key);
    if (cursor.noMatch()) {
        cursor.moveLast();
        cursor.moveNext();
    }
}

} // namespace

ChartGroup firstGroup(Cursor &cursor, int kind, const QString &startKey)
{
    ChartGroup group;
    seekKeyOrNext(cursor, startKey);
    plotForward(cursor, kind, group, true);
    return group;
}

GroupOutcome nextGroup(Cursor &cursor, int kind, const ChartGroup &shown)
{
    GroupOutcome out{GroupStep::Refused, shown};
    if (!shown.full())
        return out;
    seekKeyOrNext(cursor, shown.anchor);
    if (!cursor.eof() && cursor.key() == shown.anchor)
        cursor.moveNext();
    if (cursor.eof())
        return out;
    plotForward(cursor, kind, out.group, false);
    out.step = GroupStep::Drawn;
    return out;
}

GroupOutcome previousGroup(Cursor &cursor, int kind, const ChartGroup &shown)
{
    GroupOutcome out{GroupStep::Unchanged, shown};
    if (emptyTable(cursor))
        return out;
    const int stop = shown.lineCount >= kChartPoints ? 2 * kChartPoints : shown.lineCount + kChartPoints;

    // An anchor that has gone since counts from the date before where it stood.
    seekKeyOrNext(cursor, shown.anchor);
    if (cursor.eof() || cursor.key() != shown.anchor)
        cursor.movePrevious();

    // The anchor counts as one; every earlier date with a reading adds one.
    int k = 1;
    while (!cursor.bof() && k != stop) {
        cursor.movePrevious();
        if (cursor.bof())
            break;
        if (hasReading(cursor.row().readings[size_t(kind)]))
            ++k;
    }
    out.step = GroupStep::Drawn;
    if (cursor.bof()) {
        cursor.moveFirst();
        out.step = GroupStep::DrawnFromFirst;
    }

    // No blank fill here: points after the last reading keep what they showed.
    ChartGroup &group = out.group;
    int r = 1, n = 0;
    while (!cursor.eof() && n != kChartPoints) {
        const ReadingDay &row = cursor.row();
        plotRow(row, kind, group, r, n);
        if (hasReading(row.readings[size_t(kind)]))
            group.anchor = row.key;
        cursor.moveNext();
    }
    return out;
}
