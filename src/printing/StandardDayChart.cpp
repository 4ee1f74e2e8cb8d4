#include "printing/StandardDayChart.h"

#include "core/ReadingKind.h"
#include "core/StandardDayTable.h"

#include <QtCharts/QAreaSeries>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>

namespace {

const QColor kTargetColour(214, 236, 214);
const QColor kOuterBandColour(198, 219, 239);
const QColor kInnerBandColour(120, 164, 212);
const QColor kMedianColour(16, 52, 110);

QFont typeOf(double points, bool bold = false)
{
    QFont f;
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// The runs of consecutive times of day with readings: a band is not drawn
// across a time of day without any.
QList<QList<int>> runsWithReadings(const StandardDayFigures &figures)
{
    QList<QList<int>> runs;
    QList<int> run;
    for (int k = 0; k < kReadingKinds; ++k) {
        if (figures.kinds[size_t(k)].hasReadings()) {
            run << k;
        } else if (!run.isEmpty()) {
            runs << run;
            run.clear();
        }
    }
    if (!run.isEmpty())
        runs << run;
    return runs;
}

// The points of one figure along a run; a run of one time of day is drawn a
// little wide, so that its band shows.
QList<QPointF> along(const QList<int> &run, const StandardDayFigures &figures, double SampleFigures::*field)
{
    QList<QPointF> points;
    if (run.size() == 1) {
        const double v = figures.kinds[size_t(run[0])].*field;
        return {QPointF(run[0] - 0.18, v), QPointF(run[0] + 0.18, v)};
    }
    for (int k : run)
        points << QPointF(k, figures.kinds[size_t(k)].*field);
    return points;
}

QAreaSeries *band(QChart *chart, const QList<QPointF> &upper, const QList<QPointF> &lower, const QString &name,
                  const QColor &colour)
{
    auto *top = new QLineSeries(chart);
    top->append(upper);
    auto *bottom = new QLineSeries(chart);
    bottom->append(lower);
    auto *area = new QAreaSeries(top, bottom);
    area->setName(name);
    area->setColor(colour);
    area->setBorderColor(colour);
    area->setPen(QPen(colour, 0.5));
    chart->addSeries(area);
    return area;
}

} // namespace

QString timeOfDayLabel(int kind, const SampleFigures &figures)
{
    // The name on two lines, so that the eight stand apart; a name of one
    // line keeps the first empty, so that the counts line up.
    const std::array<QString, 2> name = timeOfDayHeading(kind);
    QString label = QStringLiteral("<div align=\"center\">") +
        (name[0].isEmpty() ? QStringLiteral("&nbsp;") : name[0]) + QStringLiteral("<br>") + name[1] +
        QStringLiteral("<br>n = ") + QString::number(figures.count);
    if (figures.notCounted > 0)
        label += QStringLiteral("<br>not counted: ") + QString::number(figures.notCounted);
    return label + QStringLiteral("</div>");
}

void drawStandardDayChart(QChart *chart, const StandardDayFigures &figures, GlucoseUnit unit, const TargetRange &target,
                          const StandardDayChartType &type)
{
    chart->removeAllSeries();
    for (QAbstractAxis *axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    chart->setAnimationOptions(QChart::NoAnimation);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setFont(typeOf(type.legend));
    chart->setBackgroundRoundness(0);

    // The target strip first, so that everything else lies over it.
    QAreaSeries *strip = band(chart, {QPointF(-0.5, target.high), QPointF(kReadingKinds - 0.5, target.high)},
                              {QPointF(-0.5, target.low), QPointF(kReadingKinds - 0.5, target.low)},
                              QStringLiteral("Target range ") + targetText(target, unit), kTargetColour);
    QList<QAbstractSeries *> all{strip};

    // The bands and the median, run by run; the legend names each once.
    QList<QAbstractSeries *> repeated;
    double top = target.high;
    const QList<QList<int>> runs = runsWithReadings(figures);
    for (const QList<int> &run : runs) {
        QAreaSeries *outer =
            band(chart, along(run, figures, &SampleFigures::p90), along(run, figures, &SampleFigures::p10),
                 QStringLiteral("10th to 90th percentile"), kOuterBandColour);
        QAreaSeries *inner =
            band(chart, along(run, figures, &SampleFigures::p75), along(run, figures, &SampleFigures::p25),
                 QStringLiteral("25th to 75th percentile"), kInnerBandColour);
        all << outer << inner;
        if (&run != &runs.first())
            repeated << outer << inner;
        for (int k : run)
            top = std::max(top, figures.kinds[size_t(k)].p90);
    }
    for (const QList<int> &run : runs) {
        auto *median = new QLineSeries(chart);
        median->setName(QStringLiteral("Median"));
        for (int k : run)
            median->append(k, figures.kinds[size_t(k)].median);
        median->setPen(QPen(kMedianColour, 2.5));
        median->setColor(kMedianColour);
        median->setPointsVisible(true);
        chart->addSeries(median);
        all << median;
        if (&run != &runs.first())
            repeated << median;
    }

    auto *times = new QCategoryAxis(chart);
    times->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    times->setRange(-0.5, kReadingKinds - 0.5);
    times->setStartValue(-0.5);
    for (int k = 0; k < kReadingKinds; ++k)
        times->append(timeOfDayLabel(k, figures.kinds[size_t(k)]), k);
    times->setLabelsFont(typeOf(type.labels));
    times->setTruncateLabels(false);
    times->setGridLineVisible(false);
    chart->addAxis(times, Qt::AlignBottom);

    auto *levels = new QValueAxis(chart);
    levels->setTitleText(QStringLiteral("Blood glucose, ") + unitName(unit));
    levels->setTitleFont(typeOf(type.axisTitle, true));
    levels->setLabelsFont(typeOf(type.labels));
    levels->setLabelFormat(QStringLiteral("%g"));
    levels->setRange(0, top * 1.08);
    levels->applyNiceNumbers();
    chart->addAxis(levels, Qt::AlignLeft);

    for (QAbstractSeries *s : all) {
        s->attachAxis(times);
        s->attachAxis(levels);
    }
    for (QAbstractSeries *s : repeated)
        for (QLegendMarker *m : chart->legend()->markers(s))
            m->setVisible(false);
}
