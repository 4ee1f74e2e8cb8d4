#pragma once
// The standard day's figures as the table shows and prints them: one column
// per time of day and one for all readings together, one row per figure.

#include "core/StandardDay.h"

#include <QList>
#include <QString>

#include <array>

inline constexpr int kStandardDayColumns = kReadingKinds + 1; // the eight times of day, then all readings

struct StandardDayTable {
    struct Row {
        QString label;
        std::array<QString, kStandardDayColumns> cells;
        std::array<bool, kStandardDayColumns> marked{}; // a coefficient of variation above the limit
    };
    // Each column's heading on two lines ("Pre-", "Breakfast"); the first
    // may be empty.
    std::array<std::array<QString, 2>, kStandardDayColumns> headings;
    QList<Row> rows;
};

// The name of a time of day on two lines ("Pre-", "Breakfast"); the first
// may be empty ("", "Bedtime").
std::array<QString, 2> timeOfDayHeading(int kind);

// A glucose figure in the unit: whole mg/dL, mmol/L to one decimal; "–"
// where there is none.
QString glucoseText(double value, GlucoseUnit unit);
// A percentage to one decimal; "–" where there is none.
QString percentText(double value);

// The table of the figures. Marked coefficients of variation carry a "*".
StandardDayTable standardDayTable(const StandardDayFigures &figures, GlucoseUnit unit, const TargetRange &target);

// The five levels of the readings, each on its own (not including the next):
// very low, low, in range, high and very high, with the readings each spans
// ("<54", "54–69", "70–180", "181–250", ">250") and its share in per cent.
// The shares make 100 % while the target lies between the very low and very
// high lines.
struct RangeLevel {
    QString name;
    QString span;
    double share;
};
std::array<RangeLevel, 5> rangeLevels(const SampleFigures &figures, GlucoseUnit unit, const TargetRange &target);

// "70–180 mg/dL".
QString targetText(const TargetRange &target, GlucoseUnit unit);

// The estimated A1c of all readings: "Estimated A1c: 6.8 % (51 mmol/mol)",
// or empty without readings; and what it is.
QString a1cText(const StandardDayFigures &figures, GlucoseUnit unit);
QString a1cCaveatText();

// How the figures are worked out, for the foot of the page.
QString standardDayMethodText();
