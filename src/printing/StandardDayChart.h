#pragma once
// The chart of the standard day: the eight times of day along the bottom in
// their order, for each the median reading as a line, the band from the 25th
// to the 75th percentile and a lighter band from the 10th to the 90th, the
// target range as a shaded strip, and under each time of day the number of
// readings counted (and of those not counted, when there are any).

#include "core/StandardDay.h"

class QChart;

// The type sizes of the chart's texts, in points.
struct StandardDayChartType {
    double axisTitle = 9;
    double labels = 8;
    double legend = 8;
};

// Shows the figures on the chart, replacing whatever it showed before.
void drawStandardDayChart(QChart *chart, const StandardDayFigures &figures, GlucoseUnit unit, const TargetRange &target,
                          const StandardDayChartType &type = {});

// The label under one time of day (rich text): its name, the readings
// counted ("n = 28") and, when there are any, those not counted ("not
// counted: 2").
QString timeOfDayLabel(int kind, const SampleFigures &figures);
