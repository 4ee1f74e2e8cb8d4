#include "core/StandardDayTable.h"

#include <algorithm>

namespace {

const QString &noFigure()
{
    static const QString dash = QString(QChar(0x2013));
    return dash;
}

QString fixed(double value, int decimals)
{
    if (!std::isfinite(value))
        return noFigure();
    // No "-0" for a figure that rounds to nothing.
    const double rounded = std::round(value * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', decimals);
}

int glucoseDecimals(GlucoseUnit unit) { return unit == GlucoseUnit::MmolPerL ? 1 : 0; }

} // namespace

QString glucoseText(double value, GlucoseUnit unit) { return fixed(value, glucoseDecimals(unit)); }

QString percentText(double value) { return fixed(value, 1); }

QString targetText(const TargetRange &target, GlucoseUnit unit)
{
    return glucoseText(target.low, unit) + QChar(0x2013) + glucoseText(target.high, unit) + QLatin1Char(' ') +
        unitName(unit);
}

std::array<QString, 2> timeOfDayHeading(int kind)
{
    const QString caption = QLatin1String(readingKinds()[size_t(kind)].chartCaption);
    // "Pre-Breakfast" and "After Breakfast" break after the first part.
    qsizetype cut = -1;
    for (qsizetype i = 0; i < caption.size() && cut < 0; ++i)
        if (caption[i] == QLatin1Char('-') || caption[i] == QLatin1Char(' '))
            cut = i;
    if (cut < 0)
        return {QString(), caption};
    return {caption.left(cut + 1).trimmed(), caption.mid(cut + 1)};
}

StandardDayTable standardDayTable(const StandardDayFigures &figures, GlucoseUnit unit, const TargetRange &target)
{
    StandardDayTable t;
    for (int k = 0; k < kReadingKinds; ++k)
        t.headings[size_t(k)] = timeOfDayHeading(k);
    t.headings[kReadingKinds] = {QStringLiteral("All"), QStringLiteral("readings")};

    std::array<const SampleFigures *, kStandardDayColumns> columns{};
    for (int k = 0; k < kReadingKinds; ++k)
        columns[size_t(k)] = &figures.kinds[size_t(k)];
    columns[kReadingKinds] = &figures.all;

    const GlucoseLines lines = glucoseLines(unit, target);
    const auto addRow = [&](const QString &label, auto &&cell) {
        StandardDayTable::Row row;
        row.label = label;
        for (int c = 0; c < kStandardDayColumns; ++c)
            row.cells[size_t(c)] = cell(*columns[size_t(c)]);
        t.rows.append(row);
        return &t.rows.last();
    };
    const auto glucose = [unit](double SampleFigures::*field) {
        return [unit, field](const SampleFigures &f) { return glucoseText(f.*field, unit); };
    };
    const auto share = [](double SampleFigures::*field) {
        return [field](const SampleFigures &f) { return percentText(f.*field); };
    };
    const QString u = QLatin1Char(' ') + unitName(unit);
    const auto line = [unit](double v) { return glucoseText(v, unit); };

    addRow(QStringLiteral("Readings counted"), [](const SampleFigures &f) { return QString::number(f.count); });
    addRow(QStringLiteral("Not counted"), [](const SampleFigures &f) { return QString::number(f.notCounted); });
    addRow(QStringLiteral("Mean") + u, glucose(&SampleFigures::mean));
    addRow(QStringLiteral("Standard deviation") + u, glucose(&SampleFigures::sd));
    StandardDayTable::Row *cv = addRow(QStringLiteral("Coefficient of variation %"), [](const SampleFigures &f) {
        return f.cvAboveLimit() ? percentText(f.cv) + QLatin1Char('*') : percentText(f.cv);
    });
    for (int c = 0; c < kStandardDayColumns; ++c)
        cv->marked[size_t(c)] = columns[size_t(c)]->cvAboveLimit();
    addRow(QStringLiteral("Median") + u, glucose(&SampleFigures::median));
    addRow(QStringLiteral("10th percentile") + u, glucose(&SampleFigures::p10));
    addRow(QStringLiteral("25th percentile") + u, glucose(&SampleFigures::p25));
    addRow(QStringLiteral("75th percentile") + u, glucose(&SampleFigures::p75));
    addRow(QStringLiteral("90th percentile") + u, glucose(&SampleFigures::p90));
    addRow(QStringLiteral("Lowest") + u, glucose(&SampleFigures::lowest));
    addRow(QStringLiteral("Highest") + u, glucose(&SampleFigures::highest));
    addRow(QStringLiteral("% below ") + line(lines.veryLow), share(&SampleFigures::belowVeryLow));
    addRow(QStringLiteral("% below ") + line(lines.low), share(&SampleFigures::belowLow));
    addRow(QStringLiteral("% in range ") + line(lines.low) + QChar(0x2013) + line(lines.high),
           share(&SampleFigures::inRange));
    addRow(QStringLiteral("% above ") + line(lines.high), share(&SampleFigures::aboveHigh));
    addRow(QStringLiteral("% above ") + line(lines.veryHigh), share(&SampleFigures::aboveVeryHigh));
    return t;
}

std::array<RangeLevel, 5> rangeLevels(const SampleFigures &f, GlucoseUnit unit, const TargetRange &target)
{
    const GlucoseLines lines = glucoseLines(unit, target);
    const double step = unit == GlucoseUnit::MmolPerL ? 0.1 : 1;
    const auto g = [unit](double v) { return glucoseText(v, unit); };
    const QChar dash(0x2013);
    const auto part = [](double share) { return std::isfinite(share) ? std::max(0.0, share) : kNoFigure; };
    return {{
        {QStringLiteral("Very low"), QLatin1Char('<') + g(lines.veryLow), part(f.belowVeryLow)},
        {QStringLiteral("Low"), g(lines.veryLow) + dash + g(lines.low - step), part(f.belowLow - f.belowVeryLow)},
        {QStringLiteral("In range"), g(lines.low) + dash + g(lines.high), part(f.inRange)},
        {QStringLiteral("High"), g(lines.high + step) + dash + g(lines.veryHigh), part(f.aboveHigh - f.aboveVeryHigh)},
        {QStringLiteral("Very high"), QLatin1Char('>') + g(lines.veryHigh), part(f.aboveVeryHigh)},
    }};
}

QString a1cText(const StandardDayFigures &figures, GlucoseUnit unit)
{
    const double percent = estimatedA1cPercent(figures.all.mean, unit);
    if (!std::isfinite(percent))
        return {};
    return QStringLiteral("Estimated A1c: %1 % (%2 mmol/mol)").arg(fixed(percent, 1), fixed(a1cMmolPerMol(percent), 0));
}

QString a1cCaveatText()
{
    return QStringLiteral("An estimate from the mean of finger-stick readings, not a laboratory result.");
}

QString standardDayMethodText()
{
    return QStringLiteral("Standard deviation: sample (n \u2212 1). Percentiles: linear interpolation between the "
                          "closest ranks. * coefficient of variation above %1 %.")
        .arg(int(kCvLimit));
}
