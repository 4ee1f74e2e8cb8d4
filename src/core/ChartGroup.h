#pragma once
// The groups of a reading chart: 31 readings of one kind over successive
// stored dates, dates without that reading skipped. These walks take a cursor
// over the diary and the chart's state and change the state; the window only
// draws it.

#include <QString>

#include <array>

class Cursor;

inline constexpr int kChartPoints = 31;

struct ChartPoint {
    QString label; // the short date; empty for a point that fills the group
    double value = 0;
    bool operator==(const ChartPoint &) const = default;
};

// What a chart window keeps between two clicks.
struct ChartGroup {
    std::array<ChartPoint, kChartPoints> points;
    // The key of the last row the last drawing recorded (`Bdate`).
    QString anchor;
    // How many readings the last drawing plotted (`LineCount`).
    int lineCount = 0;

    bool full() const { return lineCount >= kChartPoints; }
    bool operator==(const ChartGroup &) const = default;
};

enum class GroupStep {
    Drawn,          // a new group is drawn
    Refused,        // nothing follows: the chart stays, the user hears a beep
    DrawnFromFirst, // the walk back ran into the first date: drawn from there, with a beep
    Unchanged       // nothing to draw, nothing to say
};

// What a step from the group on screen gives: the new state (the one shown,
// unchanged, unless `step` is Drawn or DrawnFromFirst) and how it went.
struct GroupOutcome {
    GroupStep step;
    ChartGroup group;
};

// The first group: the readings of `kind` from the date `startKey` on. Should
// that date no longer be stored, the group starts at the next stored date.
ChartGroup firstGroup(Cursor &cursor, int kind, const QString &startKey);

// The group after the one shown. Refused unless the group shown is full and a
// stored date follows its anchor.
GroupOutcome nextGroup(Cursor &cursor, int kind, const ChartGroup &shown);

// The group before the one shown, found by counting readings back from the
// anchor: 62 when the group is full, else its readings plus 31. Points after
// the last reading plotted keep what they showed.
GroupOutcome previousGroup(Cursor &cursor, int kind, const ChartGroup &shown);
