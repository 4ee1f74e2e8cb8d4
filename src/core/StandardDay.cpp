#include "core/StandardDay.h"

#include "core/Database.h"
#include "core/ReadingDay.h"

#include <algorithm>

QString unitName(GlucoseUnit unit)
{
    return unit == GlucoseUnit::MmolPerL ? QStringLiteral("mmol/L") : QStringLiteral("mg/dL");
}

TargetRange defaultTarget(GlucoseUnit unit)
{
    return unit == GlucoseUnit::MmolPerL ? TargetRange{3.9, 10.0} : TargetRange{70, 180};
}

GlucoseLines glucoseLines(GlucoseUnit unit, const TargetRange &target)
{
    if (unit == GlucoseUnit::MmolPerL)
        return GlucoseLines{3.0, target.low, target.high, 13.9};
    return GlucoseLines{54, target.low, target.high, 250};
}

bool targetFits(GlucoseUnit unit, const TargetRange &target)
{
    const GlucoseLines lines = glucoseLines(unit, target);
    return target.valid() && target.low >= lines.veryLow && target.high <= lines.veryHigh;
}

qint64 StandardDayReadings::counted() const
{
    qint64 n = 0;
    for (const ReadingSample &s : kinds)
        n += s.values.size();
    return n;
}

qint64 StandardDayReadings::notCounted() const
{
    qint64 n = 0;
    for (const ReadingSample &s : kinds)
        n += s.notCounted;
    return n;
}

QList<double> StandardDayReadings::allValues() const
{
    QList<double> all;
    all.reserve(counted());
    for (const ReadingSample &s : kinds)
        all += s.values;
    return all;
}

StandardDayReadings collectStandardDay(Cursor &cursor, const QString &startKey, const QString &endKey)
{
    StandardDayReadings out;
    if (startKey > endKey)
        return out;
    cursor.seek(SeekOp::AtLeast, startKey);
    if (cursor.noMatch())
        return out;
    for (; !cursor.eof() && cursor.key() <= endKey; cursor.moveNext()) {
        ++out.dates;
        const ReadingDay &day = cursor.row();
        for (int k = 0; k < kReadingKinds; ++k) {
            const QString &text = day.readings[size_t(k)];
            ReadingSample &sample = out.kinds[size_t(k)];
            // "-" is no reading taken; any other text is a reading, whose
            // value is the one the summary page counts.
            if (!isCountedReading(text))
                continue;
            const float value = readingValue(text);
            if (value > 0)
                sample.values.append(double(value));
            else
                ++sample.notCounted;
        }
    }
    return out;
}

double percentile(const QList<double> &sorted, double p)
{
    const qsizetype n = sorted.size();
    if (n == 0)
        return kNoFigure;
    const double h = double(n - 1) * p / 100.0;
    const qsizetype below = std::clamp<qsizetype>(qsizetype(std::floor(h)), 0, n - 1);
    if (below >= n - 1)
        return sorted[n - 1];
    const double fraction = h - double(below);
    return sorted[below] + fraction * (sorted[below + 1] - sorted[below]);
}

SampleFigures sampleFigures(QList<double> values, qint64 notCounted, const GlucoseLines &lines)
{
    SampleFigures f;
    f.notCounted = notCounted;
    f.count = values.size();
    if (values.isEmpty())
        return f;
    std::sort(values.begin(), values.end());
    const double n = double(values.size());

    double sum = 0;
    for (double v : values)
        sum += v;
    f.mean = sum / n;
    if (values.size() > 1) {
        double squares = 0;
        for (double v : values)
            squares += (v - f.mean) * (v - f.mean);
        f.sd = std::sqrt(squares / (n - 1));
        f.cv = 100.0 * f.sd / f.mean;
    }
    f.median = percentile(values, 50);
    f.p10 = percentile(values, 10);
    f.p25 = percentile(values, 25);
    f.p75 = percentile(values, 75);
    f.p90 = percentile(values, 90);
    f.lowest = values.first();
    f.highest = values.last();

    // A reading was read in single precision; the lines are compared in the
    // same precision, so that 3.9 typed is not below a line of 3.9.
    const float veryLow = float(lines.veryLow), low = float(lines.low), high = float(lines.high),
                veryHigh = float(lines.veryHigh);
    qint64 belowVeryLow = 0, belowLow = 0, aboveHigh = 0, aboveVeryHigh = 0;
    for (double d : values) {
        const float v = float(d);
        belowVeryLow += v < veryLow;
        belowLow += v < low;
        aboveHigh += v > high;
        aboveVeryHigh += v > veryHigh;
    }
    const auto share = [n](qint64 k) { return 100.0 * double(k) / n; };
    f.belowVeryLow = share(belowVeryLow);
    f.belowLow = share(belowLow);
    f.aboveHigh = share(aboveHigh);
    f.aboveVeryHigh = share(aboveVeryHigh);
    f.inRange = share(values.size() - belowLow - aboveHigh);
    return f;
}

StandardDayFigures standardDayFigures(const StandardDayReadings &readings, GlucoseUnit unit, const TargetRange &target)
{
    const GlucoseLines lines = glucoseLines(unit, target);
    StandardDayFigures out;
    out.dates = readings.dates;
    for (int k = 0; k < kReadingKinds; ++k) {
        const ReadingSample &s = readings.kinds[size_t(k)];
        out.kinds[size_t(k)] = sampleFigures(s.values, s.notCounted, lines);
    }
    out.all = sampleFigures(readings.allValues(), readings.notCounted(), lines);
    return out;
}

GlucoseUnit guessUnit(const StandardDayReadings &readings)
{
    QList<double> all = readings.allValues();
    if (all.isEmpty())
        return GlucoseUnit::MgPerDl;
    std::sort(all.begin(), all.end());
    return percentile(all, 50) < 35 ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
}

double estimatedA1cPercent(double mean, GlucoseUnit unit)
{
    if (!std::isfinite(mean))
        return kNoFigure;
    const double mgPerDl = unit == GlucoseUnit::MmolPerL ? mean * kMgPerDlPerMmolPerL : mean;
    return (mgPerDl + 46.7) / 28.7;
}

double a1cMmolPerMol(double percent) { return std::isfinite(percent) ? (percent - 2.15) * 10.929 : kNoFigure; }
