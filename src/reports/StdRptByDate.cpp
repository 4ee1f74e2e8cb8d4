#include "reports/StdRptByDate.h"

#include "core/CsvFile.h"
#include "core/DateKey.h"
#include "help/helpids.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/FileDialogs.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "printing/PrinterChoice.h"
#include "printing/Reports.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

StdRptByDate::StdRptByDate(Shell &shell) : ChildWindow(shell, QStringLiteral("StdRptByDate"))
{
    setWindowTitle(QStringLiteral("Print Standard Report By Date"));
    setHelpContext(IDH_REPORT);
    setEscapeCloses(true);

    StartDate = new DatePicker(this, "StartDate");
    EndDate = new DatePicker(this, "EndDate");
    // The last date may be any date the picker can show.
    EndDate->setDateRange(QDate(1601, 1, 1), QDate(9999, 12, 31));
    for (DatePicker *p : {StartDate, EndDate})
        p->setMinimumSize(twipsToPixels(1815), twipsToPixels(375));
    Label1 = makeLabel(this, "Label1", QStringLiteral("Starting Date:"), StartDate);
    Label2 = makeLabel(this, "Label2", QStringLiteral("Ending Date:"), EndDate);
    for (QLabel *l : {Label1, Label2})
        l->setMinimumWidth(twipsToPixels(1515));

    Option1 = new QRadioButton(QStringLiteral("Print Report With Readings"), this);
    Option1->setObjectName(QStringLiteral("Option1"));
    Option2 = new QRadioButton(QStringLiteral("Print Summary Page Only"), this);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option3 = new QRadioButton(QStringLiteral("Export Readings To A File"), this);
    Option3->setObjectName(QStringLiteral("Option3"));

    PrintRpt = makeButton(this, "PrintRpt", QStringLiteral("Print"), QStringLiteral("Print your report."));
    Cancel = makeButton(this, "Cancel", QStringLiteral("Cancel"), QStringLiteral("Cancel operation and close window."));
    for (QPushButton *b : {PrintRpt, Cancel})
        b->setMinimumSize(twipsToPixels(1695), twipsToPixels(495));

    Bdates = makeBox(this, "Bdates", true);
    Edates = makeBox(this, "Edates", true);
    Bdates->hide();
    Edates->hide();

    auto *dates = new QHBoxLayout;
    dates->addWidget(Label1);
    dates->addWidget(StartDate);
    dates->addSpacing(twipsToPixels(825));
    dates->addWidget(Label2);
    dates->addWidget(EndDate);

    auto *options = new QVBoxLayout;
    options->addWidget(Option1);
    options->addWidget(Option2);
    options->addWidget(Option3);
    auto *optionRow = new QHBoxLayout;
    optionRow->addStretch();
    optionRow->addLayout(options);
    optionRow->addStretch();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(PrintRpt);
    buttons->addSpacing(twipsToPixels(2145));
    buttons->addWidget(Cancel);
    buttons->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(twipsToPixels(600), twipsToPixels(600), twipsToPixels(600), twipsToPixels(500));
    layout->addLayout(dates);
    layout->addSpacing(twipsToPixels(400));
    layout->addLayout(optionRow);
    layout->addSpacing(twipsToPixels(400));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({StartDate, EndDate, Option1, Option2, Option3, PrintRpt, Cancel});
    setFocusProxy(StartDate);

    connect(StartDate, &DatePicker::lostFocus, this, &StdRptByDate::StartDate_LostFocus);
    connect(EndDate, &DatePicker::lostFocus, this, &StdRptByDate::EndDate_LostFocus);
    connect(PrintRpt, &QPushButton::clicked, this, &StdRptByDate::PrintRpt_Click);
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult StdRptByDate::load()
{
    if (!shell_.browserShowingADate())
        return LoadResult::Discard;
    hold(Held::Browser);

    const QDate today = shell_.services().clock->today();
    StartDate->setDate(today);
    EndDate->setDate(today);
    EndDate_LostFocus();
    StartDate_LostFocus();
    Option1->setChecked(true);
    return LoadResult::Show;
}

void StdRptByDate::StartDate_LostFocus() { Bdates->setText(dateKey(StartDate->date())); }
void StdRptByDate::EndDate_LostFocus() { Edates->setText(dateKey(EndDate->date())); }

ReportRequest StdRptByDate::request() const
{
    ReportRequest r;
    r.databasePath = currentDiaryPath(shell_);
    r.databaseName = shell_.openDiary().name;
    r.startKey = Bdates->text();
    r.endKey = Edates->text();
    r.startDate = StartDate->date();
    r.endDate = EndDate->date();
    return r;
}

void StdRptByDate::PrintRpt_Click()
{
    // The texts follow the pickers; a date typed just now counts too.
    StartDate_LostFocus();
    EndDate_LostFocus();

    Services &services = shell_.services();
    if (Bdates->text() > Edates->text()) {
        services.messages->show(this, QStringLiteral("The date range has been set incorrectly."));
        return;
    }
    if (Option3->isChecked()) {
        exportReadings();
        return;
    }
    if (!choosePrinter(services, this))
        return;

    const ReportRequest r = request();
    const PrintOutcome done =
        Option1->isChecked() ? PrintReadingsReport(*services.printer, r) : PrintSummaryOnly(*services.printer, r);
    tellPrintOutcome(services, this, done);
    discard();
}

void StdRptByDate::exportReadings()
{
    // The file name takes the place of the printer: cancelling it keeps the
    // window and its choices.
    Services &services = shell_.services();
    if (!services.files)
        return;
    const ReportRequest r = request();
    const QString proposed =
        QDir(documentsFolder()).filePath(csv::proposedFileName(r.databaseName, r.startKey, r.endKey));
    const QString target = services.files->saveFileName(this, QStringLiteral("Export Readings To A File"), proposed,
                                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (target.isEmpty())
        return;

    csv::ExportResult done;
    {
        WaitGuard wait(*services.wait);
        done = csv::exportToFile(r.databasePath, r.startKey, r.endKey, target);
    }
    using Outcome = csv::ExportResult::Outcome;
    switch (done.outcome) {
    case Outcome::Written: break;
    case Outcome::NoDateFromStart:
        services.messages->show(this, nothingToPrintText(RangeContent::NoDateFromStart));
        break;
    case Outcome::NoDateInRange: services.messages->show(this, nothingToPrintText(RangeContent::NoDateInRange)); break;
    case Outcome::DiaryFailed: reportFailure(services, this, readFailedText(), done.detail); break;
    case Outcome::WriteFailed:
        reportFailure(services, this,
                      QStringLiteral("The readings could not be written to the file. No file was made or changed."),
                      done.detail);
        break;
    }
    discard();
}
