#include "maintenance/ImportReadings.h"

#include "core/StandardDaySettings.h"
#include "help/helpids.h"
#include "platform/DiaryAccess.h"
#include "platform/FileDialogs.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The schedule's rows go by the clock: Night first, Bedtime last.
int kindOfRow(int row) { return row == 0 ? kReadingKinds - 1 : row - 1; }

QString kindName(int kind)
{
    QString label = QString::fromLatin1(readingKinds()[size_t(kind)].label);
    label.chop(1); // the colon
    return label;
}

QString clockText(int minutes)
{
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

// "7:30", "07:30", "0730" or "7" as minutes after midnight; -1 for anything else.
int typedClock(const QString &text)
{
    static const QRegularExpression form(QStringLiteral(R"(^\s*(\d{1,2})(?:[:.]?(\d{2}))?\s*$)"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return -1;
    const int hours = m.captured(1).toInt();
    const int minutes = m.capturedLength(2) ? m.captured(2).toInt() : 0;
    if (hours > 23 || minutes > 59)
        return -1;
    return hours * 60 + minutes;
}

QTableWidgetItem *fixedItem(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// The date of `sample` ("03/04/2026") read with day or month first, in words.
QString readBothWays(const QString &sample, bool dayFirst)
{
    const QStringList parts = sample.split(QRegularExpression(QStringLiteral("[^0-9]+")), Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return sample;
    int year = parts[2].toInt();
    if (parts[2].size() <= 2)
        year += 2000;
    const int first = parts[0].toInt(), second = parts[1].toInt();
    const QDate date = dayFirst ? QDate(year, second, first) : QDate(year, first, second);
    if (!date.isValid())
        return QStringLiteral("%1 (no such date)").arg(sample);
    return QStringLiteral("%1 is %2")
        .arg(sample, QLocale(QLocale::English).toString(date, QStringLiteral("d MMMM yyyy")));
}

} // namespace

ImportReadings::ImportReadings(Shell &shell) : ChildWindow(shell, QStringLiteral("ImportReadings"))
{
    setWindowTitle(QStringLiteral("Import Readings"));
    setEscapeCloses(true);
    setHelpContext(IDH_IMPORT);
    const int charWidth = fontMetrics().averageCharWidth();
    const int lineHeight = fontMetrics().height();

    FileName = makeLabel(this, "FileName", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    FileName->setWordWrap(true);
    Layout = makeLabel(this, "Layout", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    Layout->setWordWrap(true);

    // What the file leaves open.
    Question = makeLabel(this, "Question", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    Question->setWordWrap(true);
    TimeColumn = new QComboBox(this);
    TimeColumn->setObjectName(QStringLiteral("TimeColumn"));
    ClockColumn = new QComboBox(this);
    ClockColumn->setObjectName(QStringLiteral("ClockColumn"));
    ValueColumn = new QComboBox(this);
    ValueColumn->setObjectName(QStringLiteral("ValueColumn"));
    SampleRows = new QTableWidget(this);
    SampleRows->setObjectName(QStringLiteral("SampleRows"));
    SampleRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SampleRows->setMinimumSize(charWidth * 70, lineHeight * 7);
    DateOrder = new QComboBox(this);
    DateOrder->setObjectName(QStringLiteral("DateOrder"));
    FileUnit = new QComboBox(this);
    FileUnit->setObjectName(QStringLiteral("FileUnit"));
    FileUnit->addItems({QStringLiteral("(choose)"), unitName(GlucoseUnit::MgPerDl), unitName(GlucoseUnit::MmolPerL)});

    auto *questions = new QWidget(this);
    questions->setObjectName(QStringLiteral("Questions"));
    auto *askGrid = new QGridLayout(questions);
    askGrid->setContentsMargins(0, 0, 0, 0);
    auto *timeLabel = makeLabel(questions, "lblTimeColumn", QStringLiteral("&Date and time in column:"), TimeColumn);
    auto *clockLabel = makeLabel(questions, "lblClockColumn", QStringLiteral("&Time in column:"), ClockColumn);
    auto *valueLabel = makeLabel(questions, "lblValueColumn", QStringLiteral("&Reading in column:"), ValueColumn);
    auto *orderLabel = makeLabel(questions, "lblDateOrder", QStringLiteral("Dates &are written:"), DateOrder);
    auto *unitLabel = makeLabel(questions, "lblFileUnit", QStringLiteral("The file's &unit:"), FileUnit);
    askGrid->addWidget(Question, 0, 0, 1, 2);
    askGrid->addWidget(timeLabel, 1, 0);
    askGrid->addWidget(TimeColumn, 1, 1);
    askGrid->addWidget(clockLabel, 2, 0);
    askGrid->addWidget(ClockColumn, 2, 1);
    askGrid->addWidget(valueLabel, 3, 0);
    askGrid->addWidget(ValueColumn, 3, 1);
    askGrid->addWidget(SampleRows, 4, 0, 1, 2);
    askGrid->addWidget(orderLabel, 5, 0);
    askGrid->addWidget(DateOrder, 5, 1);
    askGrid->addWidget(unitLabel, 6, 0);
    askGrid->addWidget(FileUnit, 6, 1);
    for (QWidget *w :
         {static_cast<QWidget *>(timeLabel), static_cast<QWidget *>(clockLabel), static_cast<QWidget *>(valueLabel),
          static_cast<QWidget *>(orderLabel), static_cast<QWidget *>(unitLabel)})
        w->setProperty("askFor", w->objectName().mid(3));

    // The diary's unit and the sensor option.
    DiaryUnit = new QComboBox(this);
    DiaryUnit->setObjectName(QStringLiteral("DiaryUnit"));
    DiaryUnit->addItems({unitName(GlucoseUnit::MgPerDl), unitName(GlucoseUnit::MmolPerL)});
    auto *diaryUnitLabel = makeLabel(this, "lblDiaryUnit", QStringLiteral("The diary keeps readings in:"), DiaryUnit,
                                     Qt::AlignLeft | Qt::AlignVCenter);
    SensorFill = new QCheckBox(QStringLiteral("&Fill empty times of day from sensor readings"), this);
    SensorFill->setObjectName(QStringLiteral("SensorFill"));
    SensorFill->setToolTip(QStringLiteral(
        "A time of day left without a reading takes the sensor reading nearest its target, within 30 minutes."));

    // The new dates as the diary's grid.
    NewDates = new QTableWidget(this);
    NewDates->setObjectName(QStringLiteral("NewDates"));
    NewDates->setEditTriggers(QAbstractItemView::NoEditTriggers);
    NewDates->setSelectionMode(QAbstractItemView::SingleSelection);
    NewDates->setColumnCount(kReadingKinds + 1);
    QStringList heads{QStringLiteral("Date")};
    for (int k = 0; k < kReadingKinds; ++k)
        heads << kindName(k);
    NewDates->setHorizontalHeaderLabels(heads);
    NewDates->verticalHeader()->hide();
    NewDates->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    NewDates->verticalHeader()->setDefaultSectionSize(lineHeight + 8);
    NewDates->setMinimumHeight(lineHeight * 9);
    auto *newDatesLabel =
        makeLabel(this, "lblNewDates", QStringLiteral("&New dates:"), NewDates, Qt::AlignLeft | Qt::AlignVCenter);
    CellDetails = makeLabel(this, "CellDetails", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    CellDetails->setWordWrap(true);
    CellDetails->setMinimumHeight(lineHeight * 2);

    // The schedule.
    Schedule = new QTableWidget(kReadingKinds, 4, this);
    Schedule->setObjectName(QStringLiteral("Schedule"));
    Schedule->setHorizontalHeaderLabels(
        {QStringLiteral("Time of day"), QStringLiteral("From"), QStringLiteral("Until"), QStringLiteral("Target")});
    Schedule->verticalHeader()->hide();
    Schedule->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // Typing over a time replaces it; the arrow keys move between the times.
    Schedule->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    Schedule->setToolTip(QStringLiteral("Type the time a time of day starts, or its target, as 07:30."));
    Schedule->verticalHeader()->setDefaultSectionSize(lineHeight + 8);
    Schedule->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Schedule->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *scheduleLabel =
        makeLabel(this, "lblSchedule", QStringLiteral("&Schedule:"), Schedule, Qt::AlignLeft | Qt::AlignVCenter);
    ScheduleProblem = makeLabel(this, "ScheduleProblem", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    ScheduleProblem->setWordWrap(true);
    DefaultSchedule = makeButton(this, "DefaultSchedule", QStringLiteral("Usual sc&hedule"),
                                 QStringLiteral("Put back the usual times of day."));

    Added = makeLabel(this, "Added", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    Stored = makeLabel(this, "Stored", QString(), nullptr, Qt::AlignLeft | Qt::AlignVCenter);
    Problems = new QListWidget(this);
    Problems->setObjectName(QStringLiteral("Problems"));
    Problems->setMinimumSize(charWidth * 70, lineHeight * 8);
    Unusable = makeLabel(this, "Unusable", QString(), Problems, Qt::AlignLeft | Qt::AlignVCenter);
    ImportRds =
        makeButton(this, "ImportRds", QStringLiteral("&Import"), QStringLiteral("Add the new dates to the diary."));
    Cancel =
        makeButton(this, "Cancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel operation and close window."));
    for (QPushButton *b : {ImportRds, Cancel})
        b->setMinimumSize(twipsToPixels(1695), twipsToPixels(495));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ImportRds);
    buttons->addSpacing(twipsToPixels(1200));
    buttons->addWidget(Cancel);
    buttons->addStretch();

    auto *grid = new QVBoxLayout;
    auto *unitRow = new QHBoxLayout;
    unitRow->addWidget(diaryUnitLabel);
    unitRow->addWidget(DiaryUnit);
    unitRow->addSpacing(twipsToPixels(600));
    unitRow->addWidget(SensorFill);
    unitRow->addStretch();
    grid->addLayout(unitRow);
    grid->addWidget(newDatesLabel);
    grid->addWidget(NewDates, 1);
    grid->addWidget(CellDetails);
    auto *exportPart = new QWidget(this);
    exportPart->setObjectName(QStringLiteral("ExportPart"));
    exportPart->setLayout(grid);
    grid->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w :
         {static_cast<QWidget *>(diaryUnitLabel), static_cast<QWidget *>(DiaryUnit), static_cast<QWidget *>(SensorFill),
          static_cast<QWidget *>(newDatesLabel), static_cast<QWidget *>(NewDates), static_cast<QWidget *>(CellDetails)})
        w->setParent(exportPart);
    auto *schedulePart = new QWidget(this);
    schedulePart->setObjectName(QStringLiteral("SchedulePart"));
    auto *schedule = new QVBoxLayout(schedulePart);
    schedule->setContentsMargins(0, 0, 0, 0);
    for (QWidget *w : {static_cast<QWidget *>(scheduleLabel), static_cast<QWidget *>(Schedule),
                       static_cast<QWidget *>(ScheduleProblem), static_cast<QWidget *>(DefaultSchedule)})
        w->setParent(schedulePart);
    schedule->addWidget(scheduleLabel);
    schedule->addWidget(Schedule);
    schedule->addWidget(ScheduleProblem);
    schedule->addWidget(DefaultSchedule, 0, Qt::AlignLeft);
    schedule->addStretch();
    ScheduleProblem->setMaximumWidth(charWidth * 40);

    // What the preview says, beside the schedule.
    auto *summary = new QVBoxLayout;
    summary->addWidget(Added);
    summary->addWidget(Stored);
    summary->addWidget(Unusable);
    summary->addWidget(Problems, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addLayout(summary, 1);
    bottom->addSpacing(twipsToPixels(300));
    bottom->addWidget(schedulePart);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(twipsToPixels(400), twipsToPixels(300), twipsToPixels(400), twipsToPixels(300));
    layout->addWidget(FileName);
    layout->addWidget(Layout);
    layout->addSpacing(twipsToPixels(150));
    layout->addWidget(questions);
    layout->addWidget(exportPart);
    layout->addLayout(bottom);
    layout->addSpacing(twipsToPixels(200));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    questions->hide();
    exportPart->hide();
    schedulePart->hide();
    Layout->hide();

    setTabChain({TimeColumn, ClockColumn, ValueColumn, SampleRows, DateOrder, FileUnit, DiaryUnit, SensorFill, NewDates,
                 Schedule, DefaultSchedule, Problems, ImportRds, Cancel});
    setFocusProxy(ImportRds);

    connect(ImportRds, &QPushButton::clicked, this, &ImportReadings::ImportRds_Click);
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
    connect(DefaultSchedule, &QPushButton::clicked, this, &ImportReadings::DefaultSchedule_Click);
    connect(Schedule, &QTableWidget::cellChanged, this, &ImportReadings::Schedule_Change);
    for (QComboBox *box : {TimeColumn, ClockColumn, ValueColumn})
        connect(box, &QComboBox::currentIndexChanged, this, &ImportReadings::Columns_Change);
    connect(DateOrder, &QComboBox::currentIndexChanged, this, &ImportReadings::DateOrder_Change);
    connect(FileUnit, &QComboBox::currentIndexChanged, this, &ImportReadings::FileUnit_Change);
    connect(DiaryUnit, &QComboBox::currentIndexChanged, this, &ImportReadings::DiaryUnit_Change);
    connect(SensorFill, &QCheckBox::toggled, this, &ImportReadings::SensorFill_Change);
    connect(NewDates, &QTableWidget::currentCellChanged, this, &ImportReadings::NewDates_CurrentChange);
}

ChildWindow::LoadResult ImportReadings::load()
{
    Services &services = shell_.services();
    if (!shell_.browser() || !services.files)
        return LoadResult::Discard;
    QWidget *frame = shell_.frameWidget();
    const QString file = services.files->openFileName(frame, QStringLiteral("Import Readings"), documentsFolder(),
                                                      QStringLiteral("CSV files (*.csv *.txt);;All files (*)"));
    if (file.isEmpty())
        return LoadResult::Discard;

    diaryPath_ = currentDiaryPath(shell_);
    meter::FileBytes read;
    {
        WaitGuard wait(*services.wait);
        read = meter::readImportFile(file);
    }
    if (!read.failure.isEmpty()) {
        services.messages->show(frame, read.failure);
        return LoadResult::Discard;
    }
    FileName->setText(QStringLiteral("From: %1").arg(QDir::toNativeSeparators(file)));

    if (meter::isMeterLayout(read.bytes)) {
        bytes_ = std::move(read.bytes);
        if (!loadExport(file))
            return LoadResult::Discard;
    } else {
        try {
            WaitGuard wait(*services.wait);
            preview_ = csv::previewImportFile(diaryPath_, file, QLocale());
        } catch (const StoreError &e) {
            reportFailure(services, frame, readFailedText(), e.message());
            return LoadResult::Discard;
        }
        if (!preview_.failure.isEmpty()) {
            services.messages->show(frame, preview_.failure);
            return LoadResult::Discard;
        }
        Added->setText(csv::addCountText(preview_.toAdd.size()));
        Stored->setText(csv::storedCountText(preview_.stored.size()));
        for (const csv::LineProblem &p : preview_.problems)
            Problems->addItem(csv::problemText(p));
        Unusable->setText(csv::problemCountText(preview_.problems.size()));
        Unusable->setVisible(!preview_.problems.isEmpty());
        Problems->setVisible(!preview_.problems.isEmpty());
        ImportRds->setEnabled(preview_.usable());
        setFocusProxy(preview_.usable() ? ImportRds : Cancel);
    }

    hold(Held::Browser);
    return LoadResult::Show;
}

bool ImportReadings::loadExport(const QString &file)
{
    Q_UNUSED(file);
    Services &services = shell_.services();
    QWidget *frame = shell_.frameWidget();
    meterFile_ = true;
    std::unique_ptr<QSettings> settings = userSettings();
    std::optional<GlucoseUnit> unit;
    try {
        WaitGuard wait(*services.wait);
        unit = meter::diaryUnit(*settings, diaryPath_);
    } catch (const StoreError &e) {
        reportFailure(services, frame, readFailedText(), e.message());
        return false;
    }
    placeOptions_.schedule = meter::rememberedSchedule(*settings);
    diaryUnitAsked_ = !unit;
    placeOptions_.diaryUnit = unit.value_or(GlucoseUnit::MgPerDl);
    if (!redoPreview())
        return false;
    const meter::FileRead &read = meterPreview_.file;
    if (read.status == meter::FileRead::Status::Failed) {
        services.messages->show(frame, read.failure);
        return false;
    }
    // Columns picked for this header before are taken again.
    if (read.status == meter::FileRead::Status::NeedColumns) {
        if (const std::optional<meter::ColumnChoice> known = meter::rememberedColumns(*settings, read.headerKey)) {
            readOptions_.columns = known;
            if (!redoPreview())
                return false;
        }
    }
    if (!adoptFileUnit())
        return false;

    Layout->show();
    findChild<QWidget *>(QStringLiteral("SchedulePart"))->show();
    filling_ = true;
    DiaryUnit->setEnabled(diaryUnitAsked_);
    findChild<QLabel *>(QStringLiteral("lblDiaryUnit"))
        ->setText(diaryUnitAsked_ ? QStringLiteral("The diary holds no readings yet. &Keep them in:")
                                  : QStringLiteral("The diary keeps readings in:"));
    filling_ = false;
    fillSchedule();
    showQuestion();
    showPreview();
    return true;
}

bool ImportReadings::adoptFileUnit()
{
    // A diary without readings keeps the unit most of the file's readings are
    // in, until the person picks one.
    const QList<meter::Reading> &readings = meterPreview_.file.readings;
    if (diaryUnitAsked_ && !diaryUnitChosen_ && !readings.isEmpty()) {
        qsizetype mmol = 0;
        for (const meter::Reading &r : readings)
            mmol += r.unit == GlucoseUnit::MmolPerL;
        const GlucoseUnit unit = 2 * mmol > readings.size() ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
        if (unit != placeOptions_.diaryUnit) {
            placeOptions_.diaryUnit = unit;
            if (!redoPreview())
                return false;
        }
    }
    filling_ = true;
    DiaryUnit->setCurrentIndex(placeOptions_.diaryUnit == GlucoseUnit::MmolPerL ? 1 : 0);
    filling_ = false;
    return true;
}

bool ImportReadings::redoPreview()
{
    Services &services = shell_.services();
    try {
        WaitGuard wait(*services.wait);
        meterPreview_ = meter::previewMeterImport(diaryPath_, bytes_, readOptions_, placeOptions_);
    } catch (const StoreError &e) {
        reportFailure(services, isVisible() ? static_cast<QWidget *>(this) : shell_.frameWidget(), readFailedText(),
                      e.message());
        return false;
    }
    return true;
}

void ImportReadings::showQuestion()
{
    using Status = meter::FileRead::Status;
    const meter::FileRead &read = meterPreview_.file;
    auto *questions = findChild<QWidget *>(QStringLiteral("Questions"));
    const bool columns = read.status == Status::NeedColumns || columnsChosen_;
    const bool order = read.status == Status::NeedDateOrder || readOptions_.dateOrder != meter::DateOrder::Unknown;
    const bool unit = read.status == Status::NeedUnit || readOptions_.unit.has_value();
    questions->setVisible(columns || order || unit);
    for (QWidget *w : {static_cast<QWidget *>(TimeColumn), static_cast<QWidget *>(ClockColumn),
                       static_cast<QWidget *>(ValueColumn), static_cast<QWidget *>(SampleRows)})
        w->setVisible(columns);
    DateOrder->setVisible(order);
    FileUnit->setVisible(unit);
    for (QLabel *label : questions->findChildren<QLabel *>()) {
        const QString askFor = label->property("askFor").toString();
        if (!askFor.isEmpty())
            label->setVisible(label->buddy() && label->buddy()->isVisibleTo(questions));
    }

    switch (read.status) {
    case Status::NeedColumns:
        Question->setText(QStringLiteral("The columns of this file are not known. Pick the column that holds the date "
                                         "and time and the one that holds the reading."));
        break;
    case Status::NeedDateOrder:
        Question->setText(QStringLiteral("The dates of this file can be read with the day or with the month first. "
                                         "Say which."));
        break;
    case Status::NeedUnit:
        Question->setText(
            QStringLiteral("The file does not say whether its readings are in mg/dL or mmol/L. Say which."));
        break;
    default: Question->clear(); break;
    }

    filling_ = true;
    if (columns && TimeColumn->count() == 0) {
        const QStringList header = read.header;
        qsizetype count = header.size();
        for (const QStringList &row : read.sampleRows)
            count = std::max(count, row.size());
        QStringList names;
        for (qsizetype c = 0; c < count; ++c)
            names << (c < header.size() && !header[c].trimmed().isEmpty()
                          ? QStringLiteral("%1: %2").arg(c + 1).arg(header[c])
                          : QStringLiteral("Column %1").arg(c + 1));
        TimeColumn->addItem(QStringLiteral("(choose)"));
        TimeColumn->addItems(names);
        ClockColumn->addItem(QStringLiteral("(with the date)"));
        ClockColumn->addItems(names);
        ValueColumn->addItem(QStringLiteral("(choose)"));
        ValueColumn->addItems(names);
        SampleRows->setColumnCount(int(count));
        SampleRows->setHorizontalHeaderLabels(names);
        SampleRows->setRowCount(int(read.sampleRows.size()));
        for (int r = 0; r < read.sampleRows.size(); ++r)
            for (int c = 0; c < read.sampleRows[r].size(); ++c)
                SampleRows->setItem(r, c, fixedItem(read.sampleRows[r][c]));
        SampleRows->resizeColumnsToContents();
    }
    if (order && DateOrder->count() == 0) {
        DateOrder->addItem(QStringLiteral("(choose)"));
        DateOrder->addItem(QStringLiteral("Day first: ") + readBothWays(read.dateSample, true));
        DateOrder->addItem(QStringLiteral("Month first: ") + readBothWays(read.dateSample, false));
    }
    filling_ = false;
}

void ImportReadings::showPreview()
{
    using Status = meter::FileRead::Status;
    const meter::MeterPreview &p = meterPreview_;
    const meter::FileRead &read = p.file;
    const bool ready = read.status == Status::Read;

    QString separator =
        read.separator == QLatin1Char('\t') ? QStringLiteral("tabs") : QStringLiteral("\"%1\"").arg(read.separator);
    Layout->setText(read.headerLine > 0
                        ? QStringLiteral("A meter's export, one reading a line: %1, %2 between the fields, the "
                                         "header on line %3.")
                              .arg(read.encoding, separator)
                              .arg(read.headerLine)
                        : QStringLiteral("A meter's export, one reading a line, without a header: %1, %2 between "
                                         "the fields.")
                              .arg(read.encoding, separator));

    SensorFill->setVisible(ready && read.sensorReadings > 0);
    // The grid takes the place of the questions once they are answered.
    findChild<QWidget *>(QStringLiteral("ExportPart"))->setVisible(ready);

    NewDates->setRowCount(0);
    CellDetails->clear();
    // Every time of day shows without scrolling sideways.
    const auto fitGrid = [this] {
        NewDates->setMinimumWidth(NewDates->horizontalHeader()->length() + 2 * NewDates->frameWidth() +
                                  NewDates->verticalScrollBar()->sizeHint().width());
    };
    fitGrid();
    Problems->clear();
    if (!ready) {
        Added->setText(QStringLiteral("Nothing can be shown before that is answered."));
        Stored->clear();
        Unusable->hide();
        Problems->hide();
        ImportRds->setEnabled(false);
        return;
    }

    // The placed days by date, for the cells' details.
    QHash<QString, const meter::PlacedDay *> placed;
    for (const meter::PlacedDay &day : p.placement.days)
        placed.insert(day.key, &day);
    NewDates->setRowCount(int(p.diary.toAdd.size()));
    for (int r = 0; r < p.diary.toAdd.size(); ++r) {
        const ReadingDay &day = p.diary.toAdd[r];
        NewDates->setItem(r, 0, fixedItem(day.key));
        const meter::PlacedDay *cells = placed.value(day.key);
        for (int k = 0; k < kReadingKinds; ++k) {
            QTableWidgetItem *item = fixedItem(day.readings[size_t(k)]);
            if (cells && cells->cells[size_t(k)]) {
                const meter::PlacedReading &cell = *cells->cells[size_t(k)];
                const QString why = meter::cellDetails(cell);
                item->setToolTip(why);
                item->setData(Qt::UserRole, why);
            }
            NewDates->setItem(r, k + 1, item);
        }
    }

    fitGrid();

    Added->setText(csv::addCountText(p.diary.toAdd.size()));
    Stored->setText(csv::storedCountText(p.diary.stored.size()));
    QStringList lines = meter::previewLines(p);
    lines.removeAll(Added->text());
    lines.removeAll(Stored->text());
    Problems->addItems(lines);
    Unusable->setText(QStringLiteral("What else the file holds:"));
    Unusable->setVisible(!lines.isEmpty());
    Problems->setVisible(!lines.isEmpty());
    const bool scheduleSound = placeOptions_.schedule.problem().isEmpty() && ScheduleProblem->text().isEmpty();
    ImportRds->setEnabled(p.usable() && scheduleSound);
    setFocusProxy(ImportRds->isEnabled() ? ImportRds : Cancel);
}

void ImportReadings::fillSchedule()
{
    // The items are made once and then only given new texts: the schedule is
    // filled again from inside the signal of an item just edited.
    filling_ = true;
    const meter::Schedule &s = placeOptions_.schedule;
    for (int row = 0; row < kReadingKinds; ++row) {
        const int kind = kindOfRow(row);
        if (!Schedule->item(row, 0)) {
            Schedule->setItem(row, 0, fixedItem(kindName(kind)));
            auto *from = new QTableWidgetItem;
            if (kind == kReadingKinds - 1) // Night starts at midnight
                from->setFlags(from->flags() & ~Qt::ItemIsEditable);
            Schedule->setItem(row, 1, from);
            Schedule->setItem(row, 2, fixedItem(QString()));
            Schedule->setItem(row, 3, new QTableWidgetItem);
        }
        Schedule->item(row, 1)->setText(clockText(s.spans[size_t(kind)].start));
        Schedule->item(row, 2)->setText(s.end(kind) >= 24 * 60 ? QStringLiteral("24:00") : clockText(s.end(kind)));
        Schedule->item(row, 3)->setText(clockText(s.spans[size_t(kind)].target));
    }
    filling_ = false;
    // The whole schedule shows, without scrolling.
    Schedule->resizeColumnsToContents();
    const int frame = 2 * Schedule->frameWidth();
    Schedule->setFixedSize(Schedule->horizontalHeader()->length() + frame,
                           Schedule->horizontalHeader()->sizeHint().height() + Schedule->verticalHeader()->length() +
                               frame);
}

void ImportReadings::Schedule_Change(int row, int column)
{
    if (filling_ || (column != 1 && column != 3))
        return;
    meter::Schedule schedule = placeOptions_.schedule;
    bool readable = true;
    for (int r = 0; r < kReadingKinds; ++r) {
        const int kind = kindOfRow(r);
        const int from = typedClock(Schedule->item(r, 1)->text());
        const int target = typedClock(Schedule->item(r, 3)->text());
        if (from < 0 || target < 0) {
            readable = false;
            continue;
        }
        schedule.spans[size_t(kind)] = {from, target};
    }
    Q_UNUSED(row);
    const QString problem =
        readable ? schedule.problem() : QStringLiteral("Type each time as hours and minutes, such as 07:30.");
    ScheduleProblem->setText(problem);
    if (!problem.isEmpty()) {
        ImportRds->setEnabled(false);
        return;
    }
    placeOptions_.schedule = schedule;
    meter::rememberSchedule(*userSettings(), schedule);
    fillSchedule();
    if (redoPreview())
        showPreview();
}

void ImportReadings::DefaultSchedule_Click()
{
    placeOptions_.schedule = meter::defaultSchedule();
    ScheduleProblem->clear();
    meter::rememberSchedule(*userSettings(), placeOptions_.schedule);
    fillSchedule();
    if (redoPreview())
        showPreview();
}

void ImportReadings::Columns_Change()
{
    if (filling_)
        return;
    const int time = TimeColumn->currentIndex() - 1;
    const int value = ValueColumn->currentIndex() - 1;
    if (time < 0 || value < 0)
        return;
    readOptions_.columns = meter::ColumnChoice{time, ClockColumn->currentIndex() - 1, value};
    columnsChosen_ = true;
    if (redoPreview() && adoptFileUnit()) {
        showQuestion();
        showPreview();
    }
}

void ImportReadings::DateOrder_Change()
{
    if (filling_ || DateOrder->currentIndex() <= 0)
        return;
    readOptions_.dateOrder = DateOrder->currentIndex() == 1 ? meter::DateOrder::DayFirst : meter::DateOrder::MonthFirst;
    if (redoPreview() && adoptFileUnit()) {
        showQuestion();
        showPreview();
    }
}

void ImportReadings::FileUnit_Change()
{
    if (filling_ || FileUnit->currentIndex() <= 0)
        return;
    readOptions_.unit = FileUnit->currentIndex() == 1 ? GlucoseUnit::MgPerDl : GlucoseUnit::MmolPerL;
    if (redoPreview() && adoptFileUnit()) {
        showQuestion();
        showPreview();
    }
}

void ImportReadings::DiaryUnit_Change()
{
    if (filling_)
        return;
    placeOptions_.diaryUnit = DiaryUnit->currentIndex() == 1 ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
    diaryUnitChosen_ = true;
    if (redoPreview())
        showPreview();
}

void ImportReadings::SensorFill_Change()
{
    if (filling_)
        return;
    placeOptions_.sensorFill = SensorFill->isChecked();
    if (redoPreview())
        showPreview();
}

void ImportReadings::NewDates_CurrentChange()
{
    QTableWidgetItem *item = NewDates->currentItem();
    if (!item || item->column() == 0) {
        CellDetails->clear();
        return;
    }
    const QString why = item->data(Qt::UserRole).toString();
    CellDetails->setText(why.isEmpty() ? QStringLiteral("No reading of the file goes here.") : why);
}

void ImportReadings::ImportRds_Click()
{
    const csv::ImportPreview &preview = meterFile_ ? meterPreview_.diary : preview_;
    if (!preview.usable() || (meterFile_ && !meterPreview_.usable()))
        return;
    Services &services = shell_.services();
    csv::ImportDone done;
    try {
        WaitGuard wait(*services.wait);
        done = csv::applyImport(diaryPath_, preview);
    } catch (const StoreError &e) {
        // Nothing was added; the window stays for another try or Cancel.
        reportFailure(services, this, changeFailedText(), e.message());
        return;
    }
    if (meterFile_) {
        std::unique_ptr<QSettings> settings = userSettings();
        if (diaryUnitAsked_)
            rememberUnit(*settings, diaryPath_, placeOptions_.diaryUnit);
        if (columnsChosen_ && readOptions_.columns)
            meter::rememberColumns(*settings, meterPreview_.file.headerKey, *readOptions_.columns);
    }
    if (ShownDay *browser = shell_.browser(); browser && done.last)
        browser->showDay(*done.last);
    discard();
}
