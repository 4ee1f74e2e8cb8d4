#include "charts/LineChart.h"

#include "core/ReadingKind.h"
#include "help/helpids.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "printing/ChartPrinting.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>

namespace {

QFont sized(QFont font, qreal points, bool bold = false)
{
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

} // namespace

LineChart::LineChart(Shell &shell, int kind)
    : ChildWindow(shell, QLatin1String(readingKinds()[size_t(kind)].chartWindow)), kind_(kind)
{
    const ReadingKind &rk = readingKinds()[size_t(kind)];
    const QString caption = QLatin1String(rk.chartCaption);
    setWindowTitle(caption);
    setHelpContext(IDH_CHARTS);
    setEscapeCloses(true);

    auto *chart = new QChart;
    chart->setTitle(caption);
    chart->setTitleFont(sized(font(), 10, true));
    chart->legend()->hide();
    chart->setAnimationOptions(QChart::NoAnimation);

    series_ = new QLineSeries(chart);
    series_->setName(caption);
    series_->setPointsVisible(true);
    for (int i = 0; i < kChartPoints; ++i)
        series_->append(i, 0);
    chart->addSeries(series_);

    dates_ = new QCategoryAxis(chart);
    dates_->setTitleText(QStringLiteral("Date Of Reading"));
    dates_->setTitleFont(sized(font(), 8, true));
    dates_->setLabelsFont(sized(font(), 8));
    dates_->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    dates_->setLabelsAngle(-90);
    dates_->setRange(-0.5, kChartPoints - 0.5);
    dates_->setGridLineVisible(false);
    // Every date stays whole, however little room the chart has.
    dates_->setTruncateLabels(false);
    chart->addAxis(dates_, Qt::AlignBottom);
    series_->attachAxis(dates_);

    levels_ = new QValueAxis(chart);
    levels_->setTitleText(QStringLiteral("Blood Sugar Level"));
    levels_->setTitleFont(sized(font(), 8, true));
    levels_->setLabelsFont(sized(font(), 8));
    levels_->setLabelFormat(QStringLiteral("%g"));
    chart->addAxis(levels_, Qt::AlignLeft);
    series_->attachAxis(levels_);

    MSChart1 = new QChartView(chart, this);
    MSChart1->setObjectName(QStringLiteral("MSChart1"));
    MSChart1->setRenderHint(QPainter::Antialiasing);
    MSChart1->setMinimumSize(900, 520);
    MSChart1->setFocusPolicy(Qt::NoFocus);
    MSChart1->setAccessibleName(caption);

    Exit = makeButton(this, "Exit", QStringLiteral("Exit"));
    Previous = makeButton(this, "Previous", QStringLiteral("Previous"));
    NextGroup = makeButton(this, "NextGroup", QStringLiteral("Next"));
    PrintChart = makeButton(this, "PrintChart", QStringLiteral("Print"));
    for (QPushButton *b : {Exit, Previous, NextGroup, PrintChart})
        b->setMinimumWidth(120);

    Bdate = makeBox(this, "Bdate", true);
    LineCount = makeBox(this, "LineCount", true);
    Bdate->hide();
    LineCount->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {Exit, Previous, NextGroup, PrintChart}) {
        buttons->addWidget(b);
        buttons->addStretch(1);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MSChart1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({Exit, Previous, NextGroup, PrintChart});
    setFocusProxy(NextGroup);

    connect(Exit, &QPushButton::clicked, this, &ChildWindow::discard);
    connect(Previous, &QPushButton::clicked, this, &LineChart::Previous_Click);
    connect(NextGroup, &QPushButton::clicked, this, &LineChart::NextGroup_Click);
    connect(PrintChart, &QPushButton::clicked, this, &LineChart::PrintChart_Click);
}

ChartGroup LineChart::group() const { return shown_; }

template <class Walk> bool LineChart::step(Walk &&walk)
{
    const ChartGroup shown = group();
    GroupOutcome outcome{GroupStep::Unchanged, shown};
    const bool read = withCurrentDiary(
        shell_, this, readFailedText(), [&](Database &, Cursor &c) { outcome = walk(c, shown); },
        Database::Access::ReadOnly);
    if (!read)
        return false;
    if (outcome.step == GroupStep::Drawn || outcome.step == GroupStep::DrawnFromFirst)
        drawGroup(outcome.group);
    // The beep tells that nothing follows, or that the walk back met the first date.
    if (outcome.step == GroupStep::Refused || outcome.step == GroupStep::DrawnFromFirst)
        shell_.services().messages->beep();
    return true;
}

ChildWindow::LoadResult LineChart::load()
{
    ShownDay *browser = shell_.browserShowingADate();
    if (!browser)
        return LoadResult::Discard;
    const QString start = browser->shownKey();
    const auto first = [&](Cursor &c, const ChartGroup &) {
        return GroupOutcome{GroupStep::Drawn, firstGroup(c, kind_, start)};
    };
    if (!step(first))
        return LoadResult::Discard;

    // Nothing else may change the diary while the chart is up.
    hold(Held::Browser);
    hold(Held::Menus);
    return LoadResult::Show;
}

void LineChart::NextGroup_Click()
{
    // Only a full group can have one after it.
    if (!group().full()) {
        shell_.services().messages->beep();
        return;
    }
    step([&](Cursor &c, const ChartGroup &shown) { return nextGroup(c, kind_, shown); });
}

void LineChart::Previous_Click()
{
    step([&](Cursor &c, const ChartGroup &shown) { return previousGroup(c, kind_, shown); });
}

void LineChart::PrintChart_Click()
{
    Services &services = shell_.services();
    tellChartPrintOutcome(services, this, ::PrintChart(services, this, MSChart1->chart()));
}

void LineChart::drawGroup(const ChartGroup &group)
{
    shown_ = group;
    Bdate->setText(group.anchor);
    LineCount->setText(QString::number(group.lineCount));

    // Category labels must differ from each other; the points without a date
    // get labels of different numbers of blanks.
    for (const QString &label : dates_->categoriesLabels())
        dates_->remove(label);
    double top = 0;
    QList<QPointF> line;
    QStringList described;
    for (int i = 0; i < kChartPoints; ++i) {
        const ChartPoint &p = shown_.points[size_t(i)];
        const QString label = p.label.isEmpty() ? QString(i + 1, QLatin1Char(' ')) : p.label;
        dates_->append(label, i);
        line.append(QPointF(i, p.value));
        top = std::max(top, p.value);
        if (!p.label.isEmpty())
            described << QStringLiteral("%1: %2").arg(p.label).arg(p.value);
    }
    dates_->setStartValue(-0.5);
    series_->replace(line);
    // The chart lays itself out again on every change of the level axis, so
    // the nice range is worked out on a loose axis and set in one step.
    QValueAxis nice;
    nice.setTickCount(levels_->tickCount());
    nice.setRange(0, top > 0 ? top * 1.05 : 10);
    nice.applyNiceNumbers();
    levels_->setTickCount(nice.tickCount());
    levels_->setRange(nice.min(), nice.max());
    MSChart1->setAccessibleDescription(described.join(QStringLiteral(", ")));
}
