#pragma once
// The chart window of one reading kind: its readings as a line over
// successive stored dates, 31 readings to a group, starting at the date the
// browser shows. "Next" and "Previous" step from group to group. The eight
// windows (BfastLine ... NightLine) are this one class, each with its kind.

#include "core/ChartGroup.h"
#include "platform/ChildWindow.h"

#include <QtCharts/QChartView>

class QLineEdit;
class QPushButton;
class QCategoryAxis;
class QLineSeries;
class QValueAxis;

class LineChart : public ChildWindow {
    Q_OBJECT
public:
    // `kind` indexes readingKinds().
    LineChart(Shell &shell, int kind);

    LoadResult load() override;

    int kind() const { return kind_; }
    // The 31 points on screen, with the anchor and count of the hidden boxes.
    ChartGroup group() const;
    // The chart as it is on screen; printing takes its picture from here.
    QChartView *chartView() const { return MSChart1; }

    QChartView *MSChart1;
    QPushButton *Exit;
    QPushButton *Previous;
    QPushButton *NextGroup;
    QPushButton *PrintChart;
    // The date key of the last row recorded by the last drawing, and the
    // number of readings it plotted.
    QLineEdit *Bdate;
    QLineEdit *LineCount;

private:
    void NextGroup_Click();
    void Previous_Click();
    void PrintChart_Click();

    // Runs one walk over the diary from the chart's state and shows what it
    // gives only when the diary could be read to the end of it.
    template <class Walk> bool step(Walk &&walk);
    void drawGroup(const ChartGroup &group);

    int kind_;
    // The group shown; the hidden boxes Bdate and LineCount mirror its anchor
    // and its number of points.
    ChartGroup shown_;
    QLineSeries *series_;
    QCategoryAxis *dates_;
    QValueAxis *levels_;
};
