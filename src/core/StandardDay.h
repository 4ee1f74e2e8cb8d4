#pragma once
// The standard day: the readings of a date range gathered by time of day, and
// the figures a clinic reads from them: how many, their mean, spread and
// percentiles, how many lie below, in and above the target range, and the A1c
// that their mean suggests. Pure functions over the diary; no window.
//
// A reading counts when its text is not "-" and its value (the number it
// begins with, as the summary page reads it) is above zero. Other readings
// that are not "-" are kept as "not counted", never dropped silently.
//
// The standard deviation is the sample standard deviation (divided by n - 1,
// as the clinics' tools show it); the coefficient of variation is that
// deviation as a percentage of the mean. Percentiles are interpolated linearly
// between the closest ranks: the p-th percentile of n sorted readings x[0] ..
// x[n-1] lies at h = (n - 1) * p / 100, between x[floor(h)] and the reading
// after it.

#include "core/ReadingKind.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <cmath>
#include <limits>

class Cursor;

enum class GlucoseUnit { MgPerDl, MmolPerL };

// "mg/dL" or "mmol/L".
QString unitName(GlucoseUnit unit);

// mg/dL per mmol/L, the factor the target lines are converted with.
inline constexpr double kMgPerDlPerMmolPerL = 18.0;

// The target range; readings from low to high, both included, are in range.
struct TargetRange {
    double low = 70;
    double high = 180;
    bool valid() const { return std::isfinite(low) && std::isfinite(high) && low > 0 && low < high; }
    bool operator==(const TargetRange &) const = default;
};

// The usual target, 70-180 mg/dL or 3.9-10.0 mmol/L.
TargetRange defaultTarget(GlucoseUnit unit);

// The lines the shares are counted against: very low (54 mg/dL, 3.0 mmol/L)
// and very high (250 mg/dL, 13.9 mmol/L) are fixed; low and high are the ends
// of the target range. "Below low" includes "below very low", and "above high"
// includes "above very high", so below, in and above the range make 100 %.
struct GlucoseLines {
    double veryLow = 54;
    double low = 70;
    double high = 180;
    double veryHigh = 250;
};
GlucoseLines glucoseLines(GlucoseUnit unit, const TargetRange &target);

// Whether the target is a range that lies between the very low and the very
// high line of the unit (both may be met).
bool targetFits(GlucoseUnit unit, const TargetRange &target);

// A coefficient of variation above this many per cent is marked.
inline constexpr double kCvLimit = 36;

// The readings of one time of day over a range, in date order.
struct ReadingSample {
    QList<double> values; // the counted readings
    qint64 notCounted = 0;
};

// What a walk over a date range gathered.
struct StandardDayReadings {
    std::array<ReadingSample, kReadingKinds> kinds; // in ReadingKind order
    qint64 dates = 0;                               // stored dates in the range

    qint64 counted() const;
    qint64 notCounted() const;
    // Every counted reading of the range, time of day after time of day.
    QList<double> allValues() const;
};

// Walks the stored dates from startKey to endKey (both "yyyy-MM-dd", both
// included) and gathers their readings by time of day. The cursor is left
// anywhere. Throws StoreError when the diary cannot be read.
StandardDayReadings collectStandardDay(Cursor &cursor, const QString &startKey, const QString &endKey);

inline constexpr double kNoFigure = std::numeric_limits<double>::quiet_NaN();

// The figures of one sample. Every figure is NaN where it does not exist: all
// of them without a counted reading, the standard deviation and coefficient of
// variation with fewer than two.
struct SampleFigures {
    qint64 count = 0;
    qint64 notCounted = 0;
    double mean = kNoFigure;
    double sd = kNoFigure; // sample standard deviation (n - 1)
    double cv = kNoFigure; // per cent
    double median = kNoFigure;
    double p10 = kNoFigure, p25 = kNoFigure, p75 = kNoFigure, p90 = kNoFigure;
    double lowest = kNoFigure;
    double highest = kNoFigure;
    // Shares of the counted readings, per cent.
    double belowVeryLow = kNoFigure;
    double belowLow = kNoFigure;
    double inRange = kNoFigure;
    double aboveHigh = kNoFigure;
    double aboveVeryHigh = kNoFigure;

    bool hasReadings() const { return count > 0; }
    bool cvAboveLimit() const { return std::isfinite(cv) && cv > kCvLimit; }
};

// The p-th percentile (0..100) of readings sorted in ascending order, by
// linear interpolation between the closest ranks; NaN for no readings.
double percentile(const QList<double> &sorted, double p);

// The figures of these readings (in any order) against the lines. A reading
// is compared with each line in single precision, as it was read, so that a
// reading of 3.9 is not below a line of 3.9.
SampleFigures sampleFigures(QList<double> values, qint64 notCounted, const GlucoseLines &lines);

struct StandardDayFigures {
    std::array<SampleFigures, kReadingKinds> kinds; // in ReadingKind order
    SampleFigures all;                              // every reading together
    qint64 dates = 0;

    bool hasReadings() const { return all.count > 0; }
};

StandardDayFigures standardDayFigures(const StandardDayReadings &readings, GlucoseUnit unit, const TargetRange &target);

// The unit the readings were most likely taken in: mmol/L when the median of
// every counted reading is under 35, mg/dL otherwise (and without readings).
GlucoseUnit guessUnit(const StandardDayReadings &readings);

// The A1c that a mean glucose suggests (the ADAG relation): per cent of
// haemoglobin, (mean in mg/dL + 46.7) / 28.7, and in mmol/mol,
// (per cent - 2.15) * 10.929. NaN for no mean.
double estimatedA1cPercent(double mean, GlucoseUnit unit);
double a1cMmolPerMol(double percent);
