#include "charts/StandardDayWindow.h"

#include "core/DateKey.h"
#include "core/StandardDaySettings.h"
#include "core/StandardDayTable.h"
#include "help/helpids.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "printing/StandardDayChart.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

namespace {

// How many days the window shows at first, ending on the browser's date.
constexpr int kFirstDays = 30;

} // namespace

StandardDayWindow::StandardDayWindow(Shell &shell) : ChildWindow(shell, QStringLiteral("StandardDay"))
{
    setWindowTitle(QStringLiteral("Standard Day"));
    setHelpContext(IDH_STANDARD_DAY);
    setEscapeCloses(true);

    StartDate = new DatePicker(this, "StartDate");
    EndDate = new DatePicker(this, "EndDate");
    FromLabel = makeLabel(this, "FromLabel", QStringLiteral("&From:"), StartDate);
    ToLabel = makeLabel(this, "ToLabel", QStringLiteral("&To:"), EndDate);

    Unit = new QComboBox(this);
    Unit->setObjectName(QStringLiteral("Unit"));
    Unit->addItem(unitName(GlucoseUnit::MgPerDl));
    Unit->addItem(unitName(GlucoseUnit::MmolPerL));
    Unit->setToolTip(QStringLiteral("The unit your meter shows."));
    UnitLabel = makeLabel(this, "UnitLabel", QStringLiteral("&Unit:"), Unit);

    TargetLow = new QDoubleSpinBox(this);
    TargetLow->setObjectName(QStringLiteral("TargetLow"));
    TargetHigh = new QDoubleSpinBox(this);
    TargetHigh->setObjectName(QStringLiteral("TargetHigh"));
    for (QDoubleSpinBox *b : {TargetLow, TargetHigh}) {
        b->setKeyboardTracking(false);
        b->setAccelerated(true);
        b->setMinimumWidth(70);
    }
    TargetLow->setToolTip(QStringLiteral("The lowest reading in the target range."));
    TargetHigh->setToolTip(QStringLiteral("The highest reading in the target range."));
    TargetLowLabel = makeLabel(this, "TargetLowLabel", QStringLiteral("Target &low:"), TargetLow);
    TargetHighLabel = makeLabel(this, "TargetHighLabel", QStringLiteral("Target &high:"), TargetHigh);

    auto *chart = new QChart;
    chart->legend()->setAlignment(Qt::AlignBottom);
    DayChart = new QChartView(chart, this);
    DayChart->setObjectName(QStringLiteral("DayChart"));
    DayChart->setRenderHint(QPainter::Antialiasing);
    DayChart->setMinimumSize(940, 330);
    DayChart->setFocusPolicy(Qt::NoFocus);
    DayChart->setAccessibleName(QStringLiteral("Standard day chart"));

    Figures = new QTableWidget(0, kStandardDayColumns, this);
    Figures->setObjectName(QStringLiteral("Figures"));
    Figures->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Figures->setSelectionMode(QAbstractItemView::NoSelection);
    Figures->setTabKeyNavigation(false); // Tab goes on to the next control
    Figures->setAccessibleName(QStringLiteral("Figures by time of day"));
    Figures->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Figures->verticalHeader()->setDefaultSectionSize(20);
    Figures->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Figures->setMinimumWidth(940);
    Figures->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Figures->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    A1c = new QLabel(this);
    A1c->setObjectName(QStringLiteral("A1c"));
    A1c->setTextFormat(Qt::PlainText);
    Notice = new QLabel(this);
    Notice->setObjectName(QStringLiteral("Notice"));
    Notice->setTextFormat(Qt::PlainText);
    QFont bold = Notice->font();
    bold.setBold(true);
    Notice->setFont(bold);

    PrintDay =
        makeButton(this, "PrintDay", QStringLiteral("Print"), QStringLiteral("Print the standard day on one page."));
    Exit = makeButton(this, "Exit", QStringLiteral("Exit"), QStringLiteral("Close the standard day."));
    for (QPushButton *b : {PrintDay, Exit})
        b->setMinimumWidth(120);

    auto *choices = new QHBoxLayout;
    for (QWidget *w : std::initializer_list<QWidget *>{FromLabel, StartDate, ToLabel, EndDate})
        choices->addWidget(w);
    choices->addSpacing(24);
    choices->addWidget(UnitLabel);
    choices->addWidget(Unit);
    choices->addSpacing(24);
    for (QWidget *w : std::initializer_list<QWidget *>{TargetLowLabel, TargetLow})
        choices->addWidget(w);
    choices->addSpacing(8);
    for (QWidget *w : std::initializer_list<QWidget *>{TargetHighLabel, TargetHigh})
        choices->addWidget(w);
    choices->addStretch(1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(PrintDay);
    buttons->addSpacing(40);
    buttons->addWidget(Exit);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(DayChart);
    layout->addWidget(Figures);
    // The estimate and the notice share a line: there is no estimate when
    // there is something to tell.
    auto *below = new QHBoxLayout;
    below->addWidget(A1c, 1);
    below->addWidget(Notice, 1);
    layout->addLayout(below);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({StartDate, EndDate, Unit, TargetLow, TargetHigh, Figures, PrintDay, Exit});
    setFocusProxy(StartDate);

    connect(StartDate, &QDateEdit::dateChanged, this, &StandardDayWindow::Dates_Change);
    connect(EndDate, &QDateEdit::dateChanged, this, &StandardDayWindow::Dates_Change);
    connect(Unit, &QComboBox::currentIndexChanged, this, &StandardDayWindow::Unit_Change);
    connect(TargetLow, &QDoubleSpinBox::valueChanged, this, &StandardDayWindow::Target_Change);
    connect(TargetHigh, &QDoubleSpinBox::valueChanged, this, &StandardDayWindow::Target_Change);
    connect(PrintDay, &QPushButton::clicked, this, &StandardDayWindow::PrintDay_Click);
    connect(Exit, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult StandardDayWindow::load()
{
    ShownDay *browser = shell_.browserShowingADate();
    if (!browser)
        return LoadResult::Discard;
    diaryPath_ = currentDiaryPath(shell_);
    name_ = shell_.openDiary().name;

    const QDate shown = dateFromKey(browser->shownKey());
    updating_ = true;
    EndDate->setDate(shown);
    StartDate->setDate(std::max(shown.addDays(1 - kFirstDays), firstAllowedDate()));
    updating_ = false;
    if (!readRange())
        return LoadResult::Discard;
    choice_ = standardDayChoice(*userSettings(), diaryPath_, readings_);
    showChoice();
    showFigures();

    // Nothing else may change the diary while the standard day is up.
    hold(Held::Browser);
    hold(Held::Menus);
    return LoadResult::Show;
}

bool StandardDayWindow::rangeValid() const { return StartDate->date() <= EndDate->date(); }

bool StandardDayWindow::readRange()
{
    StandardDayReadings read;
    const QString start = dateKey(StartDate->date()), end = dateKey(EndDate->date());
    const bool ok = withCurrentDiary(
        shell_, this, readFailedText(), [&](Database &, Cursor &c) { read = collectStandardDay(c, start, end); },
        Database::Access::ReadOnly);
    if (ok)
        readings_ = read;
    return ok;
}

void StandardDayWindow::showChoice()
{
    updating_ = true;
    const bool mmol = choice_.unit == GlucoseUnit::MmolPerL;
    Unit->setCurrentIndex(mmol ? 1 : 0);
    for (QDoubleSpinBox *b : {TargetLow, TargetHigh}) {
        b->setDecimals(mmol ? 1 : 0);
        b->setSingleStep(mmol ? 0.1 : 1);
        b->setSuffix(QLatin1Char(' ') + unitName(choice_.unit));
    }
    // A target lies between the very low and the very high line.
    const double step = mmol ? 0.1 : 1;
    const GlucoseLines lines = glucoseLines(choice_.unit, choice_.target);
    TargetLow->setRange(lines.veryLow, std::max(lines.veryLow, choice_.target.high - step));
    TargetHigh->setRange(std::min(lines.veryHigh, choice_.target.low + step), lines.veryHigh);
    TargetLow->setValue(choice_.target.low);
    TargetHigh->setValue(choice_.target.high);
    updating_ = false;
}

void StandardDayWindow::showFigures()
{
    figures_ = standardDayFigures(readings_, choice_.unit, choice_.target);
    drawStandardDayChart(DayChart->chart(), figures_, choice_.unit, choice_.target);

    const StandardDayTable table = standardDayTable(figures_, choice_.unit, choice_.target);
    Figures->clearContents();
    Figures->setRowCount(int(table.rows.size()));
    QStringList headings;
    for (const auto &h : table.headings)
        headings << (h[0].isEmpty() ? h[1] : h[0] + QLatin1Char('\n') + h[1]);
    Figures->setHorizontalHeaderLabels(headings);
    QStringList labels;
    for (int r = 0; r < table.rows.size(); ++r) {
        const StandardDayTable::Row &row = table.rows[r];
        labels << row.label;
        for (int c = 0; c < kStandardDayColumns; ++c) {
            auto *item = new QTableWidgetItem(row.cells[size_t(c)]);
            item->setTextAlignment(Qt::AlignCenter);
            if (row.marked[size_t(c)] || c == kStandardDayColumns - 1) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            if (row.marked[size_t(c)]) {
                item->setForeground(QColor(170, 0, 0));
                item->setToolTip(
                    QStringLiteral("The readings vary by more than %1 % of their mean.").arg(int(kCvLimit)));
            }
            Figures->setItem(r, c, item);
        }
    }
    Figures->setVerticalHeaderLabels(labels);
    Figures->setFixedHeight(Figures->horizontalHeader()->sizeHint().height() +
                            Figures->verticalHeader()->defaultSectionSize() * Figures->rowCount() +
                            2 * Figures->frameWidth());

    const QString a1c = a1cText(figures_, choice_.unit);
    A1c->setText(a1c.isEmpty() ? QString() : a1c + QStringLiteral("  \u2014  ") + a1cCaveatText());
    if (!rangeValid())
        Notice->setText(QStringLiteral("The date range has been set incorrectly."));
    else if (!figures_.hasReadings())
        Notice->setText(QStringLiteral("There are no readings in this range."));
    else
        Notice->setText(QString());
}

void StandardDayWindow::Dates_Change()
{
    if (updating_)
        return;
    if (!rangeValid())
        readings_ = StandardDayReadings{};
    else if (!readRange())
        return;
    showFigures();
}

void StandardDayWindow::Unit_Change()
{
    if (updating_)
        return;
    choice_.unit = Unit->currentIndex() == 1 ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
    const std::unique_ptr<QSettings> settings = userSettings();
    rememberUnit(*settings, diaryPath_, choice_.unit);
    choice_.target = targetFor(*settings, diaryPath_, choice_.unit);
    showChoice();
    showFigures();
}

void StandardDayWindow::Target_Change()
{
    if (updating_)
        return;
    const TargetRange target{TargetLow->value(), TargetHigh->value()};
    if (!target.valid() || target == choice_.target)
        return;
    choice_.target = target;
    rememberTarget(*userSettings(), diaryPath_, choice_.unit, target);
    showChoice();
    showFigures();
}

StandardDayPage StandardDayWindow::page() const
{
    StandardDayPage p;
    p.name = name_;
    p.start = StartDate->date();
    p.end = EndDate->date();
    p.choice = choice_;
    p.figures = figures_;
    return p;
}

void StandardDayWindow::PrintDay_Click()
{
    Services &services = shell_.services();
    if (!rangeValid()) {
        services.messages->show(this, QStringLiteral("The date range has been set incorrectly."));
        return;
    }
    tellPrintOutcome(services, this, PrintStandardDay(services, this, page()));
}
