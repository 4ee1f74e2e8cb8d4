// The standard day window, driven through its real widgets from the Graphs
// menu, and its printed page read back from a PDF file.

#include "PdfReader.h"
#include "charts/StandardDayWindow.h"
#include "core/Database.h"
#include "core/DateKey.h"
#include "core/StandardDayTable.h"
#include "platform/DatePicker.h"
#include "platform/QtPrinting.h"
#include "printing/StandardDayPrinting.h"
#include "readings/CurrReading.h"
#include "support/FakeHelp.h"
#include "support/FakePrinting.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTest>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>

#include <cmath>
#include <initializer_list>

namespace {

const QDate kFirst(2013, 8, 1);

QString keyOf(int day) { return dateKey(kFirst.addDays(day - 1)); }

// Days 1..60 but 50. Pre-Breakfast reads 100 + day; After Breakfast only on
// even days, 200 + day; Pre-Lunch 90, but "0" on day 40 and "." on day 41,
// which do not count; the others spread over 40..339.
QList<ReadingDay> diaryDays()
{
    QList<ReadingDay> days;
    for (int d = 1; d <= 60; ++d) {
        if (d == 50)
            continue;
        QStringList r{QString::number(100 + d), d % 2 ? QStringLiteral("-") : QString::number(200 + d),
                      d == 40       ? QStringLiteral("0")
                          : d == 41 ? QStringLiteral(".")
                                    : QStringLiteral("90")};
        for (int k = 3; k < kReadingKinds; ++k)
            r << QString::number((50 + 7 * d * (k + 1)) % 300 + 40);
        days << makeDay(keyOf(d), r);
    }
    return days;
}

// The same diary in mmol/L: every reading divided by 18, to one decimal.
QList<ReadingDay> mmolDays()
{
    QList<ReadingDay> days = diaryDays();
    for (ReadingDay &day : days)
        for (QString &r : day.readings)
            if (r != QStringLiteral("-") && leadingNumber(r) > 0)
                r = QString::number(leadingNumber(r) / 18.0, 'f', 1);
    return days;
}

struct App : TestApp {
    ~App() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

bool menusEnabled(App &app)
{
    for (const char *name : {"mniFile", "mnuUtilities", "mnuGraphs"})
        if (!app.frame->menu(QLatin1String(name))->menuAction()->isEnabled())
            return false;
    return true;
}

// Opens the diary, shows `shownDay` in the browser and chooses Standard Day.
StandardDayWindow *openStandardDay(App &app, const QString &file, const QList<ReadingDay> &diary, int shownDay)
{
    writeDiary(app.pathOf(file), diary);
    CurrReading *browser = app.openDiary(file);
    if (!browser)
        return nullptr;
    for (const ReadingDay &d : diary)
        if (d.key == keyOf(shownDay))
            browser->showDay(d);
    app.frame->action(QStringLiteral("mnuGraphsStandardDay"))->trigger();
    return app.window<StandardDayWindow>("StandardDay");
}

bool hasRow(StandardDayWindow *w, const QString &rowLabel)
{
    for (int r = 0; r < w->Figures->rowCount(); ++r)
        if (w->Figures->verticalHeaderItem(r)->text() == rowLabel)
            return true;
    return false;
}

QString cell(StandardDayWindow *w, const QString &rowLabel, int column)
{
    for (int r = 0; r < w->Figures->rowCount(); ++r)
        if (w->Figures->verticalHeaderItem(r)->text() == rowLabel)
            return w->Figures->item(r, column)->text();
    return QStringLiteral("<no row %1>").arg(rowLabel);
}

// Types a date into a picker as the user does, then leaves it with Tab.
void typeDate(DatePicker *picker, const QDate &date)
{
    picker->setFocus();
    QTest::keyClick(picker, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(picker, date.toString(QStringLiteral("M/d/yyyy")));
    QTest::keyClick(picker, Qt::Key_Tab);
}

// Types a value into a spin box and presses Enter.
void typeValue(QDoubleSpinBox *box, const QString &value)
{
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, value);
    QTest::keyClick(box, Qt::Key_Return);
}

// One figure of the table per row, in the table's order, with how many
// decimals it is printed with (-1: a whole count).
struct RowCheck {
    QString label;
    double SampleFigures::*field;
    qint64 SampleFigures::*count;
    bool glucose; // in the unit's decimals; else a percentage to one
};

QList<RowCheck> rowChecks(const QString &unit, const QStringList &lines)
{
    const QString u = QLatin1Char(' ') + unit;
    return {
        {QStringLiteral("Readings counted"), nullptr, &SampleFigures::count, false},
        {QStringLiteral("Not counted"), nullptr, &SampleFigures::notCounted, false},
        {QStringLiteral("Mean") + u, &SampleFigures::mean, nullptr, true},
        {QStringLiteral("Standard deviation") + u, &SampleFigures::sd, nullptr, true},
        {QStringLiteral("Coefficient of variation %"), &SampleFigures::cv, nullptr, false},
        {QStringLiteral("Median") + u, &SampleFigures::median, nullptr, true},
        {QStringLiteral("10th percentile") + u, &SampleFigures::p10, nullptr, true},
        {QStringLiteral("25th percentile") + u, &SampleFigures::p25, nullptr, true},
        {QStringLiteral("75th percentile") + u, &SampleFigures::p75, nullptr, true},
        {QStringLiteral("90th percentile") + u, &SampleFigures::p90, nullptr, true},
        {QStringLiteral("Lowest") + u, &SampleFigures::lowest, nullptr, true},
        {QStringLiteral("Highest") + u, &SampleFigures::highest, nullptr, true},
        {QStringLiteral("% below ") + lines[0], &SampleFigures::belowVeryLow, nullptr, false},
        {QStringLiteral("% below ") + lines[1], &SampleFigures::belowLow, nullptr, false},
        {QStringLiteral("% in range ") + lines[1] + QChar(0x2013) + lines[2], &SampleFigures::inRange, nullptr, false},
        {QStringLiteral("% above ") + lines[2], &SampleFigures::aboveHigh, nullptr, false},
        {QStringLiteral("% above ") + lines[3], &SampleFigures::aboveVeryHigh, nullptr, false},
    };
}

// The lines of text of a page: words whose middles lie within two points of
// each other, left to right.
QList<QList<PdfWord>> textLines(const PdfPage &page)
{
    QList<PdfWord> words = page.words;
    std::sort(words.begin(), words.end(),
              [](const PdfWord &a, const PdfWord &b) { return a.box.center().y() < b.box.center().y(); });
    QList<QList<PdfWord>> lines;
    for (const PdfWord &w : words) {
        if (lines.isEmpty() || std::abs(lines.last().first().box.center().y() - w.box.center().y()) > 2)
            lines.append(QList<PdfWord>{});
        lines.last().append(w);
    }
    for (QList<PdfWord> &line : lines)
        std::sort(line.begin(), line.end(),
                  [](const PdfWord &a, const PdfWord &b) { return a.box.left() < b.box.left(); });
    return lines;
}

QString joined(const QList<PdfWord> &words, int from = 0, int count = -1)
{
    QStringList texts;
    for (int i = from; i < words.size() && (count < 0 || i < from + count); ++i)
        texts << words[i].text;
    return texts.join(QLatin1Char(' '));
}

// Checks every figure of the printed table against the figures; returns what
// is wrong, or nothing.
QString checkPrintedTable(const PdfPage &page, const StandardDayFigures &f, GlucoseUnit unit, const QStringList &lines)
{
    const QList<QList<PdfWord>> text = textLines(page);
    int found = 0;
    for (const RowCheck &check : rowChecks(unitName(unit), lines)) {
        const int labelWords = int(check.label.split(QLatin1Char(' ')).size());
        const QList<PdfWord> *row = nullptr;
        for (const QList<PdfWord> &line : text)
            if (joined(line, 0, labelWords) == check.label)
                row = &line;
        if (!row)
            return QStringLiteral("no printed row %1").arg(check.label);
        if (row->size() != labelWords + kStandardDayColumns)
            return QStringLiteral("row %1 reads %2").arg(check.label, joined(*row));
        for (int c = 0; c < kStandardDayColumns; ++c) {
            const SampleFigures &s = c < kReadingKinds ? f.kinds[size_t(c)] : f.all;
            QString printed = (*row)[labelWords + c].text;
            const bool marked = printed.endsWith(QLatin1Char('*'));
            printed.remove(QLatin1Char('*'));
            if (check.count) {
                if (printed != QString::number(s.*check.count))
                    return QStringLiteral("%1 column %2 printed %3").arg(check.label).arg(c).arg(printed);
                continue;
            }
            const double value = s.*check.field;
            if (std::isnan(value)) {
                if (printed != QString(QChar(0x2013)))
                    return QStringLiteral("%1 column %2 printed %3 for none").arg(check.label).arg(c).arg(printed);
                continue;
            }
            const int decimals = check.glucose && unit == GlucoseUnit::MgPerDl ? 0 : 1;
            bool ok = false;
            const double number = printed.toDouble(&ok);
            if (!ok || std::abs(number - value) > 0.5 * std::pow(10.0, -decimals) + 1e-9 ||
                printed.section(QLatin1Char('.'), 1).size() != decimals)
                return QStringLiteral("%1 column %2 printed %3 for %4").arg(check.label).arg(c).arg(printed).arg(value);
            if (check.field == &SampleFigures::cv && marked != (value > kCvLimit))
                return QStringLiteral("coefficient of variation %1 marked wrongly").arg(printed);
        }
        ++found;
    }
    return found == 17 ? QString() : QStringLiteral("only %1 rows").arg(found);
}

QString allText(const PdfPage &page)
{
    QStringList lines;
    for (const QList<PdfWord> &line : textLines(page))
        lines << joined(line);
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestStandardDay : public QObject {
    Q_OBJECT
    QTemporaryDir settingsDir;

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    }

    void init()
    {
        // Each test starts with nothing remembered.
        userSettings()->clear();
    }

    void graphsItemShowsTheThirtyDaysEndingOnTheBrowsersDate()
    {
        App app;
        StandardDayWindow *w = openStandardDay(app, QStringLiteral("Ann Smith.bcl"), diaryDays(), 45);
        QVERIFY(w);
        const QByteArray before = bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        QVERIFY(app.shown("StandardDay"));
        QCOMPARE(w->StartDate->date(), kFirst.addDays(15));
        QCOMPARE(w->EndDate->date(), kFirst.addDays(44));

        // Days 16..45: Pre-Breakfast 116..145, After Breakfast on the even
        // days, Pre-Lunch all 90 but two that do not count.
        QCOMPARE(cell(w, "Readings counted", 0), QStringLiteral("30"));
        QCOMPARE(cell(w, "Lowest mg/dL", 0), QStringLiteral("116"));
        QCOMPARE(cell(w, "Highest mg/dL", 0), QStringLiteral("145"));
        QCOMPARE(cell(w, "Readings counted", 1), QStringLiteral("15"));
        QCOMPARE(cell(w, "Readings counted", 2), QStringLiteral("28"));
        QCOMPARE(cell(w, "Not counted", 2), QStringLiteral("2"));
        QCOMPARE(cell(w, "Standard deviation mg/dL", 2), QStringLiteral("0"));
        QCOMPARE(cell(w, "Readings counted", 8), QString::number(30 + 15 + 28 + 5 * 30));
        QCOMPARE(cell(w, "Not counted", 8), QStringLiteral("2"));
        QCOMPARE(w->Unit->currentText(), QStringLiteral("mg/dL"));
        QCOMPARE(w->TargetLow->value(), 70.0);
        QCOMPARE(w->TargetHigh->value(), 180.0);
        QVERIFY2(w->A1c->text().startsWith(QStringLiteral("Estimated A1c: ")), qPrintable(w->A1c->text()));
        QVERIFY(w->A1c->text().contains(QStringLiteral("finger-stick")));

        // The counts stand under the times of day.
        auto *times = qobject_cast<QCategoryAxis *>(w->DayChart->chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(times);
        QCOMPARE(times->categoriesLabels().size(), kReadingKinds);
        QVERIFY(times->categoriesLabels().at(0).contains(QStringLiteral("Pre-<br>Breakfast")));
        QVERIFY(times->categoriesLabels().at(0).contains(QStringLiteral("n = 30")));
        QVERIFY(times->categoriesLabels().at(2).contains(QStringLiteral("not counted: 2")));

        app.click("StandardDay", "Exit");
        QVERIFY(!app.window<StandardDayWindow>("StandardDay"));

        // It only reads the diary.
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl"))), before);
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void opensOnlyWhileTheBrowserShowsADate()
    {
        App app;
        writeDiary(app.pathOf(QStringLiteral("Empty Diary.bcl")), {});
        QVERIFY(app.openDiary(QStringLiteral("Empty Diary.bcl")));
        QAction *item = app.frame->action(QStringLiteral("mnuGraphsStandardDay"));
        QVERIFY(item->isEnabled());
        item->trigger();
        QVERIFY(!app.window<StandardDayWindow>("StandardDay"));
        QVERIFY(menusEnabled(app));

        // Without a diary open the whole Graphs menu is off.
        app.click("CurrReading", "CloseDbase");
        QVERIFY(!app.frame->menu(QStringLiteral("mnuGraphs"))->isEnabled());
    }

    void datesUnitAndTargetChangeTheFiguresAndAreRememberedPerDiary()
    {
        App app;
        StandardDayWindow *w = openStandardDay(app, QStringLiteral("Ann Smith.bcl"), diaryDays(), 45);
        QVERIFY(w);
        const QByteArray stored = bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl")));

        // A start typed into the picker: days 41..45.
        typeDate(w->StartDate, kFirst.addDays(40));
        QCOMPARE(w->StartDate->date(), kFirst.addDays(40));
        QCOMPARE(cell(w, "Readings counted", 0), QStringLiteral("5"));
        QCOMPARE(cell(w, "Median mg/dL", 0), QStringLiteral("143"));
        QCOMPARE(cell(w, "Not counted", 2), QStringLiteral("1"));
        // A start after the end: no figures, and it says why.
        typeDate(w->StartDate, kFirst.addDays(46));
        QCOMPARE(cell(w, "Readings counted", 8), QStringLiteral("0"));
        QCOMPARE(cell(w, "Mean mg/dL", 8), QString(QChar(0x2013)));
        QCOMPARE(w->Notice->text(), QStringLiteral("The date range has been set incorrectly."));
        app.click("StandardDay", "PrintDay");
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("The date range has been set incorrectly."));
        typeDate(w->EndDate, kFirst.addDays(59));
        QCOMPARE(w->Notice->text(), QString());
        QCOMPARE(cell(w, "Readings counted", 0), QStringLiteral("13")); // days 47..60 but 50

        // Another unit: its lines and its usual target.
        w->Unit->setFocus();
        QTest::keyClick(w->Unit, Qt::Key_Down);
        QCOMPARE(w->Unit->currentText(), QStringLiteral("mmol/L"));
        QCOMPARE(w->TargetLow->value(), 3.9);
        QCOMPARE(w->TargetHigh->value(), 10.0);
        QVERIFY(hasRow(w, QStringLiteral("% in range 3.9\u201310.0")));
        QVERIFY(hasRow(w, QStringLiteral("% below 3.0")));
        QVERIFY(hasRow(w, QStringLiteral("% above 13.9")));
        QVERIFY(hasRow(w, QStringLiteral("Mean mmol/L")));

        // Back to mg/dL, and a narrower target: the shares follow.
        QTest::keyClick(w->Unit, Qt::Key_Up);
        QCOMPARE(w->Unit->currentText(), QStringLiteral("mg/dL"));
        const QString inRangeBefore = cell(w, "% in range 70\u2013180", 8);
        typeValue(w->TargetLow, QStringLiteral("100"));
        typeValue(w->TargetHigh, QStringLiteral("140"));
        QCOMPARE(w->TargetLow->value(), 100.0);
        QCOMPARE(w->TargetHigh->value(), 140.0);
        QVERIFY(cell(w, "% in range 100\u2013140", 8) != inRangeBefore);
        QVERIFY(hasRow(w, QStringLiteral("% below 54")));
        QVERIFY(hasRow(w, QStringLiteral("% below 100")));
        // Pre-Breakfast 147..160 lie above 140: none in range.
        QCOMPARE(cell(w, "% in range 100\u2013140", 0), QStringLiteral("0.0"));
        QCOMPARE(cell(w, "% above 140", 0), QStringLiteral("100.0"));
        app.click("StandardDay", "Exit");

        // Opened again, it keeps them; another diary has its own.
        app.frame->action(QStringLiteral("mnuGraphsStandardDay"))->trigger();
        w = app.window<StandardDayWindow>("StandardDay");
        QVERIFY(w);
        QCOMPARE(w->Unit->currentText(), QStringLiteral("mg/dL"));
        QCOMPARE(w->TargetLow->value(), 100.0);
        QCOMPARE(w->TargetHigh->value(), 140.0);
        app.click("StandardDay", "Exit");
        app.click("CurrReading", "CloseDbase");

        w = openStandardDay(app, QStringLiteral("Bob Jones.bcl"), mmolDays(), 45);
        QVERIFY(w);
        QCOMPARE(w->Unit->currentText(), QStringLiteral("mmol/L")); // guessed from the readings
        QCOMPARE(w->TargetLow->value(), 3.9);
        QCOMPARE(w->TargetHigh->value(), 10.0);
        QCOMPARE(cell(w, "Lowest mmol/L", 0), QStringLiteral("6.4")); // 116 / 18
        app.click("StandardDay", "Exit");

        // Nothing of it went into the diary file.
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl"))), stored);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
    }

    void f1OpensItsOwnTopic()
    {
        App app;
        FakeHelp help;
        app.frame->services().help = &help;
        StandardDayWindow *w = openStandardDay(app, QStringLiteral("Ann Smith.bcl"), diaryDays(), 45);
        QVERIFY(w);
        for (QWidget *control : std::initializer_list<QWidget *>{w->StartDate, w->Unit, w->TargetHigh, w->PrintDay}) {
            help.reset();
            control->setFocus();
            QTest::keyClick(control, Qt::Key_F1);
            QCOMPARE(help.asked, QList<int>{320});
        }
        // F1 on the highlighted menu item too.
        QCOMPARE(app.frame->action(QStringLiteral("mnuGraphsStandardDay"))->property("helpContext").toInt(), 320);
    }

    void printedPageCarriesTheFiguresTheUnitAndTheRange_data()
    {
        QTest::addColumn<bool>("mmol");
        QTest::newRow("mg/dL") << false;
        QTest::newRow("mmol/L") << true;
    }

    void printedPageCarriesTheFiguresTheUnitAndTheRange()
    {
        QFETCH(bool, mmol);
        App app;
        QtReportPrinter printer;
        FakePrinterDialog dialog;
        app.frame->services().printer = &printer;
        app.frame->services().printerDialog = &dialog;
        StandardDayWindow *w =
            openStandardDay(app, QStringLiteral("Ann Smith.bcl"), mmol ? mmolDays() : diaryDays(), 45);
        QVERIFY(w);
        typeDate(w->StartDate, kFirst.addDays(5));
        const QString pdf = app.pathOf(mmol ? QStringLiteral("mmol.pdf") : QStringLiteral("mg.pdf"));
        dialog.confirmFile(pdf);
        app.click("StandardDay", "PrintDay");
        QVERIFY2(app.fakes.messages.shown.isEmpty(), qPrintable(app.fakes.messages.lastText()));
        QVERIFY(app.window<StandardDayWindow>("StandardDay")); // stays open

        const PdfDocument doc = readPdf(pdf);
        QVERIFY(doc.ok);
        QCOMPARE(doc.pages.size(), 1);
        const PdfPage &page = doc.pages[0];
        QVERIFY(page.size.height() > page.size.width());
        const QString text = allText(page);
        QVERIFY2(text.contains(QStringLiteral("Name: Ann Smith")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Dates: 8/6/2013 to 9/14/2013 (40 days, 40 of them in the diary)")),
                 qPrintable(text));
        const GlucoseUnit unit = mmol ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
        QVERIFY2(text.contains(QStringLiteral("Unit: ") + unitName(unit)), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Target range: ") +
                               (mmol ? QStringLiteral("3.9\u201310.0 mmol/L") : QStringLiteral("70\u2013180 mg/dL"))),
                 qPrintable(text));
        const StandardDayFigures &figures = w->page().figures;
        QCOMPARE(figures.kinds[0].count, 40);
        const QString problem =
            checkPrintedTable(page, figures, unit,
                              mmol ? QStringList{"3.0", "3.9", "10.0", "13.9"} : QStringList{"54", "70", "180", "250"});
        QVERIFY2(problem.isEmpty(), qPrintable(problem + QStringLiteral("\n") + text));
        // The estimate, said to be one.
        const double a1c = estimatedA1cPercent(figures.all.mean, unit);
        QVERIFY2(text.contains(QStringLiteral("Estimated A1c: %1 % (%2 mmol/mol)")
                                   .arg(a1c, 0, 'f', 1)
                                   .arg(std::round(a1cMmolPerMol(a1c)))),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("finger-stick")) && text.contains(QStringLiteral("laboratory")));
        // All readings by level, each level on its own.
        QStringList levels;
        for (const RangeLevel &level : rangeLevels(figures.all, unit, defaultTarget(unit)))
            levels << QString::number(level.share, 'f', 1) << QStringLiteral("%");
        QVERIFY2(text.contains(levels.join(QLatin1Char(' '))), qPrintable(levels.join(QLatin1Char(' '))));
        QVERIFY(text.contains(mmol ? QStringLiteral("<3.0 3.0\u20133.8 3.9\u201310.0 10.1\u201313.9 >13.9")
                                   : QStringLiteral("<54 54\u201369 70\u2013180 181\u2013250 >250")));
        // The chart is there, with its times of day and counts.
        QVERIFY(text.contains(QStringLiteral("n = 40 n = 20 n = 38")));
        QVERIFY(text.contains(QStringLiteral("not counted: 2")));
        if (qEnvironmentVariableIsSet("LEVELBOOK_KEEP_PAGE"))
            QFile::copy(pdf, qEnvironmentVariable("LEVELBOOK_KEEP_PAGE") + (mmol ? "-mmol.pdf" : "-mg.pdf"));
    }

    void printingThatCannotBeDoneIsToldAndTheWindowStays()
    {
        App app;
        QtReportPrinter printer;
        FakePrinterDialog dialog;
        app.frame->services().printer = &printer;
        app.frame->services().printerDialog = &dialog;
        StandardDayWindow *w = openStandardDay(app, QStringLiteral("Ann Smith.bcl"), diaryDays(), 45);
        QVERIFY(w);

        // A printer that cannot be opened: a file in a missing folder.
        dialog.confirmFile(app.pathOf(QStringLiteral("missing/folder/day.pdf")));
        app.click("StandardDay", "PrintDay");
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("Check your printer and try again."));
        QVERIFY(!printer.documentActive());

        // The printer dialog cancelled: nothing at all.
        app.fakes.messages.reset();
        dialog.cancel();
        app.click("StandardDay", "PrintDay");
        QVERIFY(app.fakes.messages.shown.isEmpty());

        // A range without a counted reading: told, and no printer dialog.
        typeDate(w->StartDate, kFirst.addDays(60));
        typeDate(w->EndDate, kFirst.addDays(70));
        QCOMPARE(w->Notice->text(), QStringLiteral("There are no readings in this range."));
        const auto shownBefore = dialog.presets.size();
        app.click("StandardDay", "PrintDay");
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("There are no readings to print."));
        QCOMPARE(dialog.presets.size(), shownBefore);
        QVERIFY(app.window<StandardDayWindow>("StandardDay"));
    }

    void printingADiaryFileStraightToAPrinter()
    {
        // As the command line does: a diary file, a name, a range, a printer.
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, mmolDays());
        const QString pdf = dir.filePath(QStringLiteral("day.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::Letter));
        QCOMPARE(printStandardDay(printer, diary, QStringLiteral("Ann Smith"), kFirst, kFirst.addDays(59)).kind,
                 PrintOutcome::Kind::Printed);
        const PdfDocument doc = readPdf(pdf);
        QCOMPARE(doc.pages.size(), 1);
        QVERIFY(doc.pages[0].size.height() > doc.pages[0].size.width());
        const QString text = allText(doc.pages[0]);
        QVERIFY2(text.contains(QStringLiteral("Dates: 8/1/2013 to 9/29/2013 (60 days, 59 of them in the diary)")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("Unit: mmol/L")), qPrintable(text)); // guessed
        if (qEnvironmentVariableIsSet("LEVELBOOK_KEEP_PAGE"))
            QFile::copy(pdf, qEnvironmentVariable("LEVELBOOK_KEEP_PAGE") + "-letter.pdf");

        // The unit and target given win; nothing to print prints nothing.
        QFile::remove(pdf);
        const PrintOutcome none =
            printStandardDay(printer, diary, QStringLiteral("Ann Smith"), QDate(2014, 1, 1), QDate(2014, 2, 1));
        QCOMPARE(none.kind, PrintOutcome::Kind::NothingToPrint);
        QCOMPARE(none.text, QStringLiteral("There are no readings to print."));
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(printStandardDay(printer, diary, QStringLiteral("Ann Smith"), kFirst, kFirst.addDays(9),
                                  StandardDayChoice{GlucoseUnit::MgPerDl, {70, 180}})
                     .kind,
                 PrintOutcome::Kind::Printed);
        QVERIFY(allText(readPdf(pdf).pages.value(0)).contains(QStringLiteral("Unit: mg/dL")));

        // A file that is not a diary is a failed read, with the engine's words.
        const QString junk = dir.filePath(QStringLiteral("Junk.bcl"));
        writeBytes(junk, "not a diary at all");
        const PrintOutcome failed = printStandardDay(printer, junk, QStringLiteral("Junk"), kFirst, kFirst);
        QCOMPARE(failed.kind, PrintOutcome::Kind::DiaryFailed);
        QCOMPARE(failed.text, readFailedText());
        QVERIFY(!failed.detail.isEmpty());
    }

    void unreadableDiaryOpensNothing()
    {
        App app;
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), diaryDays());
        CurrReading *browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        QVERIFY(browser);
        writeBytes(app.pathOf(QStringLiteral("Ann Smith.bcl")), "not a diary at all");
        app.frame->action(QStringLiteral("mnuGraphsStandardDay"))->trigger();
        QVERIFY(!app.window<StandardDayWindow>("StandardDay"));
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QVERIFY(app.fakes.messages.lastText().startsWith(QStringLiteral("The diary could not be read.")));
        QVERIFY(browser->isEnabled() && menusEnabled(app));
    }
};

QTEST_MAIN(TestStandardDay)
#include "tst_standardday.moc"
