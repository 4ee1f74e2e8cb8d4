// The printed reports read back from PDF files: the page grid, the header and
// column headings, the date lines and pages, the statistics and the summary
// page; the report request window; the printer choice; chart printing.
//
// This program sees no print server at all (see main), so the report printer
// prints to PDF files as a user without printers would.

#include "PdfReader.h"
#include "core/DateKey.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/QtClipboard.h"
#include "platform/QtPrinting.h"
#include "printing/ChartPrinting.h"
#include "printing/PrinterChoice.h"
#include "printing/Reports.h"
#include "printing/StandardDayPrinting.h"
#include "readings/CurrReading.h"
#include "reports/StdRptByDate.h"
#include "support/FakePrinting.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

// The printing services of one test: a real printer, a dialog and a clipboard
// that answer as told, and recording messages.
struct Rig {
    FakeServices fakes;
    QtReportPrinter printer;
    FakePrinterDialog dialog;
    FakeClipboard clipboard;
    ReportPrinter *use = &printer; // what the services hand out

    Services services()
    {
        Services s = fakes.services();
        s.printer = use;
        s.printerDialog = &dialog;
        s.clipboard = &clipboard;
        return s;
    }
};

ReportRequest requestFor(const QString &path, const QDate &start, const QDate &end)
{
    ReportRequest r;
    r.databasePath = path;
    r.databaseName = QStringLiteral("Ann Smith");
    r.startKey = dateKey(start);
    r.endKey = dateKey(end);
    r.startDate = start;
    r.endDate = end;
    return r;
}

// The hand-computed diary: four days in range, one before and one after.
QList<ReadingDay> handDiary()
{
    return {
        makeDay("2013-02-27", {"999", "999", "999", "999", "999", "999", "999", "1"}),
        makeDay("2013-03-01", {"120", "150", "-", "95.5", "100", "180", "130", "-"}),
        makeDay("2013-03-02", {"150", "150", "", "100", "100", "90.25", "", ""}),
        makeDay("2013-03-03", {}),
        makeDay("2013-03-04", {"150", "140", "", "80", "100", "180", "", ""}),
        makeDay("2013-03-05", {"5", "999", "5", "999", "5", "999", "5", "999"}),
    };
}

// Opens a diary of the data folder as a keyboard user does: "Open An Existing
// Database", then Enter on the file.
CurrReading *openDiary(TestApp &app, const QString &file)
{
    app.click("BloodMenu", "Command2");
    auto *list = app.frame->window(QStringLiteral("SelectDbase"))->findChild<QListWidget *>(QStringLiteral("File1"));
    const QList<QListWidgetItem *> items = list->findItems(file, Qt::MatchExactly);
    if (items.isEmpty())
        return nullptr;
    list->setCurrentItem(items.first());
    QTest::keyClick(list, Qt::Key_Return);
    return app.window<CurrReading>("CurrReading");
}

// A view for a chart the test makes. The view begins with a chart of its own,
// which it lets go without deleting it when it is given another.
struct ChartView : QChartView {
    QChart *const first = chart();
    ~ChartView() override
    {
        if (chart() != first)
            delete first;
    }
};

// Runs the deletions that closed windows left pending, while the main frame
// still lives; declared after the TestApp, it acts before the frame goes.
struct Settle {
    ~Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

const QDate handStart(2013, 3, 1);
const QDate handEnd(2013, 3, 4);

// The gap between two words on a line, in widths of a space of the font.
double gapInSpaces(const GridWord &a, const GridWord &b, const Grid &grid)
{
    QFont f(QStringLiteral("Times New Roman"));
    f.setStyleHint(QFont::Serif);
    f.setPointSizeF(12);
    QPrinter device(QPrinter::HighResolution);
    const double space = QFontMetricsF(f, &device).horizontalAdvance(QLatin1Char(' ')) * 72.0 / device.resolution();
    return (b.left - a.right) * grid.unitWidth() / space;
}

const GridWord *findWord(const QList<GridWord> &words, const QString &text, int nth = 0)
{
    for (const GridWord &w : words)
        if (w.text == text && nth-- == 0)
            return &w;
    return nullptr;
}

} // namespace

class TestReports : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    // The printouts stay in $LEVELBOOK_TEST_PRINTS when it is set, to be looked at.
    QString folder =
        qEnvironmentVariableIsSet("LEVELBOOK_TEST_PRINTS") ? qEnvironmentVariable("LEVELBOOK_TEST_PRINTS") : dir.path();
    QString path(const QString &name) const { return folder + QLatin1Char('/') + name; }

    // Prints a report of `days` for the range to a fresh PDF file.
    PdfDocument print(Rig &rig, bool withReadings, const QList<ReadingDay> &days, const QDate &start, const QDate &end,
                      const QString &name, const QList<int> &pages = {}, QPageSize::PageSizeId paper = QPageSize::A4)
    {
        const QString diary = path(name + QStringLiteral(".bcl"));
        QFile::remove(diary);
        writeDiary(diary, days);
        const QString pdf = path(name + QStringLiteral(".pdf"));
        QFile::remove(pdf);
        rig.printer.useOutputFile(pdf);
        rig.printer.usePaper(QPageSize(paper), 1);
        Services s = rig.services();
        const ReportRequest r = requestFor(diary, start, end);
        tellPrintOutcome(s, nullptr,
                         withReadings ? PrintReadingsReport(*s.printer, r) : PrintSummaryOnly(*s.printer, r));
        return readPdf(pdf, pages);
    }

private slots:
    // --- Numbers and statistics ---

    void readingTextWritesASignPositionAndSevenDigits_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 123.0 << " 123";
        QTest::newRow("half") << 95.5 << " 95.5";
        QTest::newRow("below one") << 0.5 << " .5";
        QTest::newRow("zero") << 0.0 << " 0";
        QTest::newRow("negative") << -2.5 << "-2.5";
        QTest::newRow("negative below one") << -0.25 << "-.25";
        QTest::newRow("two places") << 123.46 << " 123.46";
        QTest::newRow("single precision") << double(123.4f) << " 123.4";
        QTest::newRow("seven digits") << 1234567.0 << " 1234567";
        QTest::newRow("eight digits") << 12345678.0 << " 1.234568E+07";
    }
    void readingTextWritesASignPositionAndSevenDigits()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(ReadingText(value), text);
    }

    void readingValueIsTheLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::newRow("whole") << "120" << 120.0f;
        QTest::newRow("fraction") << "120.5" << 120.5f;
        QTest::newRow("leading point") << ".5" << 0.5f;
        QTest::newRow("trailing point") << "5." << 5.0f;
        QTest::newRow("lone point") << "." << 0.0f;
        QTest::newRow("letters after") << "12abc" << 12.0f;
        QTest::newRow("second point") << "1.2.3" << 1.2f;
        QTest::newRow("no number") << "abc" << 0.0f;
    }
    void readingValueIsTheLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        QCOMPARE(readingValue(text), value);
        QVERIFY(isCountedReading(text));
        QVERIFY(!isCountedReading(QStringLiteral("-")));
    }

    void statisticsOfAHandComputedRange()
    {
        const QString diary = path(QStringLiteral("Hand Count.bcl"));
        writeDiary(diary, handDiary());
        Database db = Database::open(diary);
        Cursor cursor(db);
        const CollectedRange range = CollectRangeSummary(cursor, dateKey(handStart), dateKey(handEnd));
        const std::optional<RangeSummary> &r = range.summary;
        QVERIFY(r);
        QCOMPARE(range.content, RangeContent::Dates);
        QCOMPARE(r->lines, 4);
        QCOMPARE(r->pages, 1);

        const QString d1 = ShortDate(QStringLiteral("2013-03-01"));
        const QString d2 = ShortDate(QStringLiteral("2013-03-02"));
        const QString d4 = ShortDate(QStringLiteral("2013-03-04"));
        struct Expect {
            qint64 count;
            const char *high;
            QString highDate;
            const char *low;
            QString lowDate;
            const char *average;
        };
        const Expect expected[kReadingKinds] = {
            // 120, 150, 150: the earlier of the two highest dates is kept
            {3, " 150", d2, " 120", d1, " 140"},
            // 150, 150, 140: average 146.666...
            {3, " 150", d1, " 140", d4, " 146.67"},
            // no readings at all
            {0, "No Readings", QString(), "No Readings", QString(), "No Readings"},
            // 95.5, 100, 80: average 91.8333...
            {3, " 100", d2, " 80", d4, " 91.83"},
            // three equal readings: the first date is both highest and lowest
            {3, " 100", d1, " 100", d1, " 100"},
            // 180, 90.25, 180: average 150.0833...
            {3, " 180", d1, " 90.25", d2, " 150.08"},
            // a single reading
            {1, " 130", d1, " 130", d1, " 130"},
            {0, "No Readings", QString(), "No Readings", QString(), "No Readings"},
        };
        for (int k = 0; k < kReadingKinds; ++k) {
            const KindSummary &got = r->kinds[size_t(k)];
            const Expect &e = expected[k];
            const QByteArray kind = readingKinds()[size_t(k)].field;
            QVERIFY2(got.Count == e.count, kind);
            QVERIFY2(got.HighestText == QLatin1String(e.high), kind + " " + got.HighestText.toUtf8());
            QVERIFY2(got.HighestDate == e.highDate, kind + " " + got.HighestDate.toUtf8());
            QVERIFY2(got.LowestText == QLatin1String(e.low), kind + " " + got.LowestText.toUtf8());
            QVERIFY2(got.LowestDate == e.lowDate, kind + " " + got.LowestDate.toUtf8());
            QVERIFY2(got.AverageText == QLatin1String(e.average), kind + " " + got.AverageText.toUtf8());
        }
    }

    void nothingToPrintIsToldAndNothingPrinted()
    {
        const QList<ReadingDay> days{makeDay("2013-03-01", {"100"}), makeDay("2013-03-10", {"110"})};
        for (bool withReadings : {true, false}) {
            Rig rig;
            // The start lies after the last stored date.
            PdfDocument pdf = print(rig, withReadings, days, QDate(2013, 3, 11), QDate(2013, 3, 20), "Nothing After");
            QVERIFY(!pdf.ok);
            QCOMPARE(rig.fakes.messages.lastText(), QStringLiteral("Thee are no readings to print."));
            QCOMPARE(rig.fakes.messages.shown.last().buttons, MsgButtons::Ok);
            QVERIFY(rig.fakes.messages.shown.last().title.isEmpty());
            // Stored dates on either side, none inside.
            pdf = print(rig, withReadings, days, QDate(2013, 3, 2), QDate(2013, 3, 9), "Nothing Inside");
            QVERIFY(!pdf.ok);
            QCOMPARE(rig.fakes.messages.lastText(), QStringLiteral("There are no readings to print."));
            QCOMPARE(rig.fakes.messages.shown.size(), 2);
        }
    }

    // Every printing routine says what came of it and leaves a file only
    // when it printed; the standard day tells both kinds of empty range alike.
    void printingRoutinesSayWhatCameOfIt_data()
    {
        QTest::addColumn<int>("routine"); // 0 the report, 1 the summary alone, 2 the standard day
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<bool>("printerWorks");
        QTest::addColumn<PrintOutcome::Kind>("kind");
        QTest::addColumn<QString>("text");

        const QString fromStart = QStringLiteral("Thee are no readings to print.");
        const QString inRange = QStringLiteral("There are no readings to print.");
        const QDate first(2013, 3, 1), last(2013, 3, 10);
        const char *names[] = {"report", "summary", "standard day"};
        for (int routine = 0; routine < 3; ++routine) {
            const QByteArray name(names[routine]);
            QTest::newRow(name + ": nothing from the start")
                << routine << last.addDays(1) << last.addDays(10) << true << PrintOutcome::Kind::NothingToPrint
                << (routine == 2 ? inRange : fromStart);
            QTest::newRow(name + ": nothing in the range") << routine << first.addDays(1) << last.addDays(-1) << true
                                                           << PrintOutcome::Kind::NothingToPrint << inRange;
            QTest::newRow(name + ": printed")
                << routine << first << last << true << PrintOutcome::Kind::Printed << QString();
            QTest::newRow(name + ": the printer fails")
                << routine << first << last << false << PrintOutcome::Kind::PrinterFailed
                << QStringLiteral("Check your printer and try again.");
        }
    }

    void printingRoutinesSayWhatCameOfIt()
    {
        QFETCH(int, routine);
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(bool, printerWorks);
        QFETCH(PrintOutcome::Kind, kind);
        QFETCH(QString, text);

        const QString diary = path(QStringLiteral("Outcomes.bcl"));
        QFile::remove(diary);
        writeDiary(diary, {makeDay("2013-03-01", {"100", "140"}), makeDay("2013-03-10", {"110", "150"})});
        const QString pdf =
            printerWorks ? path(QStringLiteral("outcome.pdf")) : path(QStringLiteral("gone/outcome.pdf"));
        QFile::remove(pdf);

        PrintOutcome done;
        if (routine == 2) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            done = printStandardDay(printer, diary, QStringLiteral("Ann Smith"), start, end);
        } else {
            QtReportPrinter printer;
            printer.useOutputFile(pdf);
            const ReportRequest r = requestFor(diary, start, end);
            done = routine == 0 ? PrintReadingsReport(printer, r) : PrintSummaryOnly(printer, r);
            QVERIFY(!printer.documentActive());
        }
        QCOMPARE(done.kind, kind);
        QCOMPARE(done.printed(), kind == PrintOutcome::Kind::Printed);
        QCOMPARE(done.text, text);
        QVERIFY(done.detail.isEmpty());
        QCOMPARE(QFile::exists(pdf), done.printed());
        if (done.printed())
            QVERIFY(readPdf(pdf).ok);
    }

    // --- The reading pages ---

    void readingPageHeaderHeadingsAndLines()
    {
        Rig rig;
        const PdfDocument pdf = print(rig, true, handDiary(), handStart, handEnd, "Layout");
        QVERIFY(pdf.ok);
        QVERIFY(rig.fakes.messages.shown.isEmpty());
        QCOMPARE(pdf.pages.size(), 2);
        const Grid grid{rig.printer.printableArea()};
        const PdfPage &page = pdf.pages[0];
        // Portrait A4 as chosen, the grid over the area inside the margins.
        QCOMPARE(qRound(page.size.width()), 595);
        QCOMPARE(qRound(page.size.height()), 842);

        QCOMPARE(lineText(page, grid, 4), QStringLiteral("NAME: Ann Smith"));
        QCOMPARE(lineText(page, grid, 5), QStringLiteral("DATES: 03/01/2013 To 03/04/2013"));
        QCOMPARE(lineText(page, grid, 6), QStringLiteral("PAGE #: 1 OF 2"));
        for (int line : {4, 5, 6, 9})
            QVERIFY2(std::abs(wordsOnLine(page, grid, line).first().left - 10) < 0.2,
                     qPrintable(QString::number(line)));
        // One space on the page line of a reading page.
        const QList<GridWord> pageLine = wordsOnLine(page, grid, 6);
        QVERIFY(std::abs(gapInSpaces(pageLine[1], pageLine[2], grid) - 1) < 0.3);

        // Headings: first line over seven columns, none over Night; each
        // centred on its anchor.
        const QList<GridWord> first = wordsOnLine(page, grid, 8);
        const QList<GridWord> second = wordsOnLine(page, grid, 9);
        QCOMPARE(lineText(page, grid, 8), QStringLiteral("PRE- AFTER PRE- AFTER PRE- AFTER BED-"));
        QCOMPARE(lineText(page, grid, 9), QStringLiteral("DATE B'FAST. B'FAST. LUNCH LUNCH DINNER DINNER. TIME NIGHT"));
        const auto &columns = reportColumns();
        for (int k = 0; k < kReadingKinds; ++k) {
            const double anchor = columns[size_t(k)].anchor;
            if (k < 7)
                QVERIFY2(std::abs(first[k].centre() - anchor) < 0.15, qPrintable(first[k].text));
            QVERIFY2(std::abs(second[k + 1].centre() - anchor) < 0.15, qPrintable(second[k + 1].text));
        }
        // A wider word starts further left on the same anchor.
        QVERIFY(second[1].right - second[1].left > first[0].right - first[0].left);
        QVERIFY(second[1].left < first[0].left - 0.3);
        QVERIFY(pdf.fonts.filter(QStringLiteral("Italic")).size() == 1);

        // The date lines from y = 11, dates at x = 10 and readings centred.
        const QList<ReadingDay> days = handDiary().mid(1, 4);
        for (int i = 0; i < days.size(); ++i) {
            const QList<GridWord> words = wordsOnLine(page, grid, 11 + i);
            QCOMPARE(words.size(), 1 + kReadingKinds);
            QCOMPARE(words[0].text, ShortDate(days[i].key));
            QVERIFY(std::abs(words[0].left - 10) < 0.2);
            for (int k = 0; k < kReadingKinds; ++k) {
                QCOMPARE(words[k + 1].text, days[i].readings[size_t(k)]);
                QVERIFY2(std::abs(words[k + 1].centre() - columns[size_t(k)].anchor) < 0.15,
                         qPrintable(words[k + 1].text));
            }
        }
        // The dates outside the range are not printed.
        QVERIFY(wordsOnLine(page, grid, 15).isEmpty());
        QVERIFY(lineText(page, grid, 11).startsWith(ShortDate(QStringLiteral("2013-03-01"))));
    }

    void wideShortDatesGiveWayToTheNumericForm()
    {
        // A short date with a month name ("10 Feb 2013") would run into the
        // first reading column; such dates print as 02/10/2013.
        const QDate first(2013, 2, 8);
        for (bool wide : {true, false}) {
            QLocale::setDefault(wide ? QLocale::c() : QLocale(QLocale::English, QLocale::UnitedStates));
            Rig rig;
            const PdfDocument pdf = print(rig, true, consecutiveDays(5, first), first, first.addDays(4), "Wide Dates");
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
            const Grid grid{rig.printer.printableArea()};
            const QList<GridWord> line = wordsOnLine(pdf.pages[0], grid, 13);
            QCOMPARE(line.first().text, wide ? QStringLiteral("02/10/2013") : QStringLiteral("2/10/2013"));
            QVERIFY(line[1].left - line[0].right > 1);
        }
        // The numeric form is written by hand: every allowed date, and the
        // edges of the calendar beyond them, read as the date pattern has it.
        for (QDate d = firstAllowedDate(); d <= lastAllowedDate(); d = d.addDays(1))
            QCOMPARE(headerDate(d), d.toString(QStringLiteral("MM/dd/yyyy")));
        for (const QDate d :
             {QDate(1, 1, 1), QDate(999, 12, 31), QDate(9999, 12, 31), QDate(10000, 1, 1), QDate(-5, 3, 4), QDate()})
            QCOMPARE(headerDate(d), d.toString(QStringLiteral("MM/dd/yyyy")));
    }

    void noTextsTouchWithTheWidestDatesAndReadings_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("defaultPaper"); // for a PDF file, with no printer installed
        const QLocale us(QLocale::English, QLocale::UnitedStates), gb(QLocale::English, QLocale::UnitedKingdom),
            de(QLocale::German, QLocale::Germany), ca(QLocale::English, QLocale::Canada);
        for (const auto &[name, paper] : {std::pair{"A4", QPageSize::A4}, std::pair{"Letter", QPageSize::Letter}}) {
            QTest::addRow("US, %s", name) << us << int(paper) << int(QPageSize::Letter);
            QTest::addRow("British, %s", name) << gb << int(paper) << int(QPageSize::A4);
            QTest::addRow("German, %s", name) << de << int(paper) << int(QPageSize::A4);
        }
        QTest::addRow("Canadian, Letter") << ca << int(QPageSize::Letter) << int(QPageSize::Letter);
    }

    void noTextsTouchWithTheWidestDatesAndReadings()
    {
        // "10/28/2011" and a six-figure reading ran together on A4.
        QFETCH(QLocale, locale);
        QFETCH(int, paper);
        QFETCH(int, defaultPaper);
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        QVERIFY(QtReportPrinter().installedPrinters().isEmpty());
        QCOMPARE(int(QtReportPrinter().setup().pageSize.id()), defaultPaper);

        QList<ReadingDay> days;
        for (const QDate d : {QDate(2011, 10, 28), QDate(2011, 12, 28), QDate(2011, 12, 31)}) {
            ReadingDay day = makeDay(dateKey(d), {});
            for (QString &r : day.readings)
                r = QStringLiteral("999999");
            days << day;
        }
        days[1].readings[0] = QStringLiteral("888888");
        days[2].readings[3] = QStringLiteral("0.0000");
        Rig rig;
        const PdfDocument pdf =
            print(rig, true, days, dateFromKey(days.first().key), dateFromKey(days.last().key),
                  QStringLiteral("Widest %1 %2").arg(locale.name()).arg(paper), {}, QPageSize::PageSizeId(paper));
        QVERIFY(pdf.ok);
        QVERIFY(rig.fakes.messages.shown.isEmpty());
        const Grid grid{rig.printer.printableArea()};
        const PdfPage &page = pdf.pages[0];
        QCOMPARE(lineText(page, grid, 11).section(QLatin1Char(' '), 0, 0), ShortDate(days[0].key));
        // A space of the report font is about 0.4 of a column on either paper.
        for (int line : {8, 9, 11, 12, 13}) {
            const QList<GridWord> words = wordsOnLine(page, grid, line);
            QCOMPARE(words.size(), line == 8 ? 7 : 1 + kReadingKinds);
            for (int i = 1; i < words.size(); ++i)
                QVERIFY2(
                    words[i].left - words[i - 1].right > 0.15,
                    qPrintable(
                        QStringLiteral("line %1: \"%2\" then \"%3\"").arg(line).arg(words[i - 1].text, words[i].text)));
        }
    }

    void fiftyDatesToAPage()
    {
        const QDate first(2013, 1, 1);
        Rig rig;
        PdfDocument pdf = print(rig, true, consecutiveDays(60), first, first.addDays(49), "Fifty");
        const Grid grid{rig.printer.printableArea()};
        QCOMPARE(pdf.pages.size(), 2);
        QCOMPARE(lineText(pdf.pages[0], grid, 6), QStringLiteral("PAGE #: 1 OF 2"));
        QCOMPARE(wordsOnLine(pdf.pages[0], grid, 60).first().text, ShortDate(first.addDays(49)));
        QVERIFY(wordsOnLine(pdf.pages[0], grid, 61).isEmpty());
        QCOMPARE(lineText(pdf.pages[1], grid, 7), QStringLiteral("Summary Page"));
        QCOMPARE(lineText(pdf.pages[1], grid, 6), QStringLiteral("PAGE #: 2 OF 2"));

        pdf = print(rig, true, consecutiveDays(60), first, first.addDays(50), "Fifty One");
        QCOMPARE(pdf.pages.size(), 3);
        QCOMPARE(lineText(pdf.pages[0], grid, 6), QStringLiteral("PAGE #: 1 OF 3"));
        QCOMPARE(lineText(pdf.pages[1], grid, 6), QStringLiteral("PAGE #: 2 OF 3"));
        QCOMPARE(lineText(pdf.pages[1], grid, 9).left(4), QStringLiteral("DATE"));
        QCOMPARE(wordsOnLine(pdf.pages[1], grid, 11).first().text, ShortDate(first.addDays(50)));
        QVERIFY(wordsOnLine(pdf.pages[1], grid, 12).isEmpty());
        QCOMPARE(lineText(pdf.pages[2], grid, 6), QStringLiteral("PAGE #: 3 OF 3"));
        QCOMPARE(lineText(pdf.pages[2], grid, 7), QStringLiteral("Summary Page"));
    }

    // --- The summary page ---

    void summaryPageFiguresAndPlaces()
    {
        Rig rig;
        const PdfDocument pdf = print(rig, false, handDiary(), handStart, handEnd, "Summary");
        QVERIFY(pdf.ok);
        QCOMPARE(pdf.pages.size(), 1);
        const Grid grid{rig.printer.printableArea()};
        const PdfPage &page = pdf.pages[0];

        QCOMPARE(lineText(page, grid, 4), QStringLiteral("NAME: Ann Smith"));
        QCOMPARE(lineText(page, grid, 5), QStringLiteral("DATES: 03/01/2013 To 03/04/2013"));
        QCOMPARE(lineText(page, grid, 6), QStringLiteral("PAGE #: 1 OF 1"));
        QCOMPARE(lineText(page, grid, 7), QStringLiteral("Summary Page"));
        // Two spaces after "PAGE #:" and after "OF" on this page.
        const QList<GridWord> pageLine = wordsOnLine(page, grid, 6);
        QVERIFY(std::abs(gapInSpaces(pageLine[1], pageLine[2], grid) - 2) < 0.3);
        QVERIFY(std::abs(gapInSpaces(pageLine[3], pageLine[4], grid) - 2) < 0.3);

        const QString d1 = ShortDate(QStringLiteral("2013-03-01"));
        const QString d2 = ShortDate(QStringLiteral("2013-03-02"));
        const QString d4 = ShortDate(QStringLiteral("2013-03-04"));
        // Each block: the label line and three figure lines, left at x = 10
        // and right at x = 45.
        struct Block {
            double y;
            QStringList left, right;
        };
        const QList<Block> blocks{
            {10,
             {"Pre-Breakfast:", "Highest Reading: 150 " + d2, "Lowest Reading: 120 " + d1, "Average Reading: 140"},
             {"Pre-Dinner:", "Highest Reading: 100 " + d1, "Lowest Reading: 100 " + d1, "Average Reading: 100"}},
            {15,
             {"After Breakfast:", "Highest Reading: 150 " + d1, "Lowest Reading: 140 " + d4, "Average Reading: 146.67"},
             {"After Dinner:", "Highest Reading: 180 " + d1, "Lowest Reading: 90.25 " + d2, "Average Reading: 150.08"}},
            {20,
             {"Pre-Lunch:", "Highest Reading: No Readings", "Lowest Reading: No Readings",
              "Average Reading: No Readings"},
             {"Bedtime:", "Highest Reading: 130 " + d1, "Lowest Reading: 130 " + d1, "Average Reading: 130"}},
            {25,
             {"After Lunch:", "Highest Reading: 100 " + d2, "Lowest Reading: 80 " + d4, "Average Reading: 91.83"},
             {"Night:", "Highest Reading: No Readings", "Lowest Reading: No Readings", "Average Reading: No Readings"}},
        };
        for (const Block &b : blocks) {
            for (int i = 0; i < 4; ++i) {
                QList<GridWord> left, right;
                for (const GridWord &w : wordsOnLine(page, grid, b.y + i))
                    (w.left < 44 ? left : right).append(w);
                auto join = [](const QList<GridWord> &ws) {
                    QStringList t;
                    for (const GridWord &w : ws)
                        t << w.text;
                    return t.join(QLatin1Char(' '));
                };
                QCOMPARE(join(left), b.left[i]);
                QCOMPARE(join(right), b.right[i]);
                QVERIFY(std::abs(left.first().left - 10) < 0.2);
                QVERIFY(std::abs(right.first().left - 45) < 0.2);
                // Three spaces between a figure and its date (the sign
                // position of the figure is one more space before it).
                if (i > 0 && i < 3 && left[2].text != QLatin1String("No"))
                    QVERIFY(std::abs(gapInSpaces(left[2], left[3], grid) - 3) < 0.3);
            }
        }
        QVERIFY(wordsOnLine(page, grid, 29).isEmpty());

        // The labels are bold, the rest regular, nothing italic: a label is as
        // wide as the bold type makes it.
        QVERIFY(pdf.fonts.filter(QStringLiteral("Italic")).isEmpty());
        QVERIFY(!pdf.fonts.filter(QStringLiteral("Bold")).isEmpty());
        QFont regular(QStringLiteral("Times New Roman"));
        regular.setStyleHint(QFont::Serif);
        regular.setPointSizeF(12);
        QFont bold = regular;
        bold.setBold(true);
        QPrinter device(QPrinter::HighResolution);
        auto widthIn = [&](const QFont &f, const QString &text) {
            return QFontMetricsF(f, &device).horizontalAdvance(text) * 72.0 / device.resolution() / grid.unitWidth();
        };
        const QList<GridWord> labelLine = wordsOnLine(page, grid, 10);
        const GridWord *label = findWord(labelLine, QStringLiteral("Pre-Breakfast:"));
        QVERIFY(label);
        const double printed = label->right - label->left;
        QVERIFY(widthIn(bold, label->text) - widthIn(regular, label->text) > 0.2);
        QVERIFY(std::abs(printed - widthIn(bold, label->text)) < 0.1);
        const QList<GridWord> highestLine = wordsOnLine(page, grid, 11);
        const GridWord *highest = findWord(highestLine, QStringLiteral("Highest"));
        QVERIFY(highest);
        QVERIFY(std::abs(highest->right - highest->left - widthIn(regular, QStringLiteral("Highest"))) < 0.1);
    }

    void summaryAloneEqualsTheLastPageOfTheReport()
    {
        const QDate first(2013, 1, 1);
        QList<ReadingDay> days = consecutiveDays(220, first.addDays(-10));
        days[40].readings[2] = QStringLiteral("-");
        Rig rig;
        const PdfDocument full = print(rig, true, days, first, first.addDays(199), "Full 200", {4});
        const PdfDocument alone = print(rig, false, days, first, first.addDays(199), "Alone 200");
        QCOMPARE(full.pages.size(), 5);
        QCOMPARE(alone.pages.size(), 1);
        const Grid grid{rig.printer.printableArea()};
        QCOMPARE(lineText(full.pages[4], grid, 6), QStringLiteral("PAGE #: 5 OF 5"));
        QCOMPARE(lineText(alone.pages[0], grid, 6), QStringLiteral("PAGE #: 1 OF 1"));

        auto withoutPageLine = [&grid](const PdfPage &p) {
            QList<GridWord> words;
            for (const GridWord &w : gridWords(p, grid))
                if (std::abs(w.top - 6) > 0.33)
                    words << w;
            return words;
        };
        const QList<GridWord> a = withoutPageLine(full.pages[4]);
        const QList<GridWord> b = withoutPageLine(alone.pages[0]);
        QCOMPARE(a.size(), b.size());
        QVERIFY(a.size() > 60);
        for (int i = 0; i < a.size(); ++i) {
            QCOMPARE(a[i].text, b[i].text);
            QVERIFY(std::abs(a[i].left - b[i].left) < 0.01 && std::abs(a[i].top - b[i].top) < 0.01);
        }
    }

    void aCenturyOfDatesPrintsWhole()
    {
        // Every date of 2000 to 2099: more readings of a kind than a 16-bit
        // counter holds, and 732 pages.
        const QDate first(2000, 1, 1), last(2099, 12, 31);
        QList<ReadingDay> days;
        double total = 0;
        for (QDate d = first; d <= last; d = d.addDays(1)) {
            const int v = 70 + int(d.toJulianDay() % 131);
            total += v;
            days << makeDay(dateKey(d), {QString::number(v), QString::number(v), "", "", "", "", "", "95.5"});
        }
        QCOMPARE(days.size(), 36525);
        Rig rig;
        QElapsedTimer timer;
        timer.start();
        const PdfDocument pdf = print(rig, true, days, first, last, "Century", {0, 730, 731});
        qInfo("36,525 dates printed and read back in %lld ms", qlonglong(timer.elapsed()));
        QVERIFY(rig.fakes.messages.shown.isEmpty());
        QCOMPARE(pdf.pages.size(), 732);
        const Grid grid{rig.printer.printableArea()};
        QCOMPARE(lineText(pdf.pages[0], grid, 6), QStringLiteral("PAGE #: 1 OF 732"));
        QCOMPARE(lineText(pdf.pages[730], grid, 6), QStringLiteral("PAGE #: 731 OF 732"));
        QCOMPARE(wordsOnLine(pdf.pages[730], grid, 35).first().text, ShortDate(last));
        QVERIFY(wordsOnLine(pdf.pages[730], grid, 36).isEmpty());
        QCOMPARE(lineText(pdf.pages[731], grid, 6), QStringLiteral("PAGE #: 732 OF 732"));
        const QString average = ReadingText(std::round(total / days.size() * 100) / 100).trimmed();
        QCOMPARE(lineText(pdf.pages[731], grid, 13),
                 QStringLiteral("Average Reading: ") + average + QStringLiteral(" Average Reading: No Readings"));
        QCOMPARE(lineText(pdf.pages[731], grid, 28),
                 QStringLiteral("Average Reading: No Readings Average Reading: 95.5"));
    }

    // --- Failures while printing ---

    void aFailedPrintIsToldAndLeavesNoHalfDocument()
    {
        const QString diary = path(QStringLiteral("Fail Test.bcl"));
        writeDiary(diary, consecutiveDays(120));
        const ReportRequest r = requestFor(diary, QDate(2013, 1, 1), QDate(2013, 4, 30));
        const QString before = QDir::currentPath();

        // The printer cannot be opened: a PDF file in a missing folder.
        {
            Rig rig;
            rig.printer.useOutputFile(path(QStringLiteral("missing/folder/r.pdf")));
            Services s = rig.services();
            tellPrintOutcome(s, nullptr, PrintReadingsReport(*s.printer, r));
            QCOMPARE(rig.fakes.messages.shown.size(), 1);
            QCOMPARE(rig.fakes.messages.lastText(), QStringLiteral("Check your printer and try again."));
            QCOMPARE(rig.fakes.messages.shown.last().buttons, MsgButtons::Ok);
        }
        // The printer fails on the third page after moving the working
        // directory: the directory comes back and the half document goes.
        for (bool withReadings : {true, false}) {
            Rig rig;
            FailingPrinter failing(rig.printer);
            failing.failOn = withReadings ? QStringLiteral("newPage") : QStringLiteral("endDoc");
            failing.failAt = withReadings ? 2 : 1;
            failing.wanderTo = QDir::tempPath();
            rig.use = &failing;
            const QString pdf = path(QStringLiteral("half.pdf"));
            rig.printer.useOutputFile(pdf);
            Services s = rig.services();
            tellPrintOutcome(s, nullptr,
                             withReadings ? PrintReadingsReport(*s.printer, r) : PrintSummaryOnly(*s.printer, r));
            QCOMPARE(rig.fakes.messages.lastText(), QStringLiteral("Check your printer and try again."));
            QCOMPARE(QDir::currentPath(), before);
            QCOMPARE(failing.calls(QStringLiteral("killDoc")), 1);
            QVERIFY(!QFile::exists(pdf));
            QVERIFY(!rig.printer.documentActive());
        }
        // A day of the range that cannot be read is found before anything
        // is printed, even though the report walks its range once.
        {
            Rig rig;
            const QString damaged = path(QStringLiteral("Damaged.bcl"));
            writeDiary(damaged, consecutiveDays(120));
            rawSql(damaged, "UPDATE BLOOD SET Night = '' WHERE Bdate = '2013-04-20'");
            FailingPrinter watched(rig.printer);
            rig.use = &watched;
            const QString pdf = path(QStringLiteral("damaged.pdf"));
            rig.printer.useOutputFile(pdf);
            Services s = rig.services();
            tellPrintOutcome(
                s, nullptr,
                PrintReadingsReport(*s.printer, requestFor(damaged, QDate(2013, 1, 1), QDate(2013, 4, 30))));
            QCOMPARE(rig.fakes.messages.shown.size(), 1);
            QVERIFY(rig.fakes.messages.lastText().startsWith(readFailedText()));
            QCOMPARE(watched.calls(QStringLiteral("printText")), 0);
            QVERIFY(!QFile::exists(pdf));
        }
        // A file that is no diary is told as a diary failure.
        {
            Rig rig;
            const QString broken = path(QStringLiteral("Broken.bcl"));
            QFile f(broken);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a diary");
            f.close();
            rig.printer.useOutputFile(path(QStringLiteral("broken.pdf")));
            Services s = rig.services();
            tellPrintOutcome(s, nullptr,
                             PrintSummaryOnly(*s.printer, requestFor(broken, QDate(2013, 1, 1), QDate(2013, 1, 2))));
            QCOMPARE(rig.fakes.messages.shown.size(), 1);
            QVERIFY(rig.fakes.messages.lastText().startsWith(readFailedText()));
            QCOMPARE(rig.fakes.messages.shown.last().icon, MsgIcon::Critical);
        }
    }

    // --- The printer choice ---

    void choosingAPrinter()
    {
        Rig rig;
        Services s = rig.services();
        QVERIFY(rig.printer.tracksDefaultPrinter());
        const QString first = path(QStringLiteral("first.pdf"));
        rig.printer.useOutputFile(first);

        // Cancelled, or the dialog failed: nothing changes, but the printer no
        // longer follows the system default.
        rig.dialog.cancel();
        QVERIFY(!choosePrinter(s, nullptr));
        QVERIFY(!rig.printer.tracksDefaultPrinter());
        QCOMPARE(rig.dialog.presets.last().outputFile, first);
        rig.dialog.answers.append({true, {}, true});
        QVERIFY(!choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.setup().outputFile, first);

        // A file named in the dialog becomes the output, with its paper.
        const QString second = path(QStringLiteral("second.pdf"));
        FakePrinterDialog::Answer letter;
        letter.chosen.outputFile = second;
        letter.chosen.pageSize = QPageSize(QPageSize::Letter);
        rig.dialog.answers.append(letter);
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.setup().outputFile, second);
        QCOMPARE(rig.printer.setup().pageSize.id(), QPageSize::Letter);

        // A printer that is not installed leaves the report printer as it was.
        rig.dialog.confirmPrinter(QStringLiteral("No Such Printer"));
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.setup().outputFile, second);
        QCOMPARE(rig.printer.setup().pageSize.id(), QPageSize::Letter);
        QCOMPARE(rig.dialog.presets.last().outputFile, second);
    }

    void theDesktopDialogLetsTheUserNameAPdfFile()
    {
        // No printer is installed here: the dialog offers a PDF file.
        QVERIFY(QtReportPrinter().installedPrinters().isEmpty());
        QtPrinterSelectionDialog dialog;
        PrinterSetup current;
        current.outputFile = path(QStringLiteral("preset.pdf"));
        current.pageSize = QPageSize(QPageSize::A4);
        const QString named = path(QStringLiteral("named by the user.pdf"));

        bool sawPreset = false;
        QTimer::singleShot(0, this, [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            for (QLineEdit *e : d->findChildren<QLineEdit *>())
                if (e->text() == current.outputFile) {
                    sawPreset = true;
                    e->setText(named);
                }
            // Reports always print whole: no page range is offered (one was,
            // and a range chosen there was ignored).
            for (QAbstractButton *b : d->findChildren<QAbstractButton *>()) {
                const QString text = b->text().remove(QLatin1Char('&'));
                if (!text.startsWith(QLatin1String("Pages")) && text != QLatin1String("Current Page"))
                    continue;
                QWidget *group = b->parentWidget();
                while (group && group != d && !qobject_cast<QGroupBox *>(group))
                    group = group->parentWidget();
                const bool offered = b->isEnabled() && !b->isHidden() && !(group && group->isHidden());
                QVERIFY2(!offered, qPrintable(text));
            }
            d->accept();
        });
        PrinterSetup chosen;
        QVERIFY(dialog.choose(nullptr, current, chosen));
        QVERIFY(sawPreset);
        QCOMPARE(chosen.outputFile, named);
        QVERIFY(chosen.deviceName.isEmpty());

        QTimer::singleShot(0, this, [] { QApplication::activeModalWidget()->close(); });
        QVERIFY(!dialog.choose(nullptr, current, chosen));
    }

    // --- The report request window ---

    void requestOpensOnlyWhileTheBrowserShowsADate()
    {
        TestApp app;
        Settle settle;
        writeDiary(app.pathOf(QStringLiteral("Empty Diary.bcl")), {});
        QVERIFY(openDiary(app, QStringLiteral("Empty Diary.bcl")));
        app.click("CurrReading", "PrtRpt");
        QVERIFY(!app.frame->window(QStringLiteral("StdRptByDate")));
        QVERIFY(app.frame->window(QStringLiteral("CurrReading"))->parentWidget()->isEnabled());
    }

    void requestWindowAtOpening()
    {
        TestApp app;
        Settle settle;
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), handDiary());
        CurrReading *browser = openDiary(app, QStringLiteral("Ann Smith.bcl"));
        QVERIFY(browser);
        app.click("CurrReading", "PrtRpt");
        auto *w = app.window<StdRptByDate>("StdRptByDate");
        QVERIFY(w);
        QVERIFY(app.shown("StdRptByDate"));
        QVERIFY(!browser->parentWidget()->isEnabled());
        QCOMPARE(w->windowTitle(), QStringLiteral("Print Standard Report By Date"));
        QCOMPARE(w->StartDate->date(), app.fakes.clock.date);
        QCOMPARE(w->EndDate->date(), app.fakes.clock.date);
        QCOMPARE(w->Bdates->text(), QStringLiteral("2013-09-17"));
        QCOMPARE(w->Edates->text(), QStringLiteral("2013-09-17"));
        QVERIFY(w->Bdates->isHidden() && w->Edates->isHidden());
        QVERIFY(w->Option1->isChecked() && !w->Option2->isChecked());
        QCOMPARE(w->Option1->text(), QStringLiteral("Print Report With Readings"));
        QCOMPARE(w->Option2->text(), QStringLiteral("Print Summary Page Only"));
        QCOMPARE(w->Label1->text(), QStringLiteral("Starting Date:"));
        QCOMPARE(w->Label2->text(), QStringLiteral("Ending Date:"));
        QVERIFY(w->Label1->alignment() & Qt::AlignRight);
        QCOMPARE(w->Label1->buddy(), w->StartDate);
        QCOMPARE(w->PrintRpt->text(), QStringLiteral("Print"));
        QCOMPARE(w->PrintRpt->toolTip(), QStringLiteral("Print your report."));
        QCOMPARE(w->Cancel->toolTip(), QStringLiteral("Cancel operation and close window."));
        QCOMPARE(w->helpContext(), 110);
        QCOMPARE(w->StartDate->minimumDate(), QDate(2000, 1, 1));
        QCOMPARE(w->StartDate->maximumDate(), QDate(2099, 12, 31));
        QCOMPARE(w->EndDate->minimumDate(), QDate(1601, 1, 1));
        QCOMPARE(w->EndDate->maximumDate(), QDate(9999, 12, 31));

        // Tab order: the pickers, the report kind, then the buttons.
        QList<QWidget *> chain;
        for (QWidget *at = w->StartDate->nextInFocusChain(); at != w->StartDate && chain.size() < 7;
             at = at->nextInFocusChain()) {
            if (w->isAncestorOf(at) && (at->focusPolicy() & Qt::TabFocus) && !at->isHidden() && at->parentWidget() == w)
                chain << at;
        }
        const QList<QWidget *> order{w->EndDate, w->Option1, w->Option2, w->Option3, w->PrintRpt, w->Cancel};
        QCOMPARE(chain.mid(0, 6), order);

        // A picker that loses the focus writes its key.
        w->StartDate->setDate(QDate(2013, 3, 1));
        w->EndDate->setDate(QDate(2013, 3, 2));
        QCOMPARE(w->Bdates->text(), QStringLiteral("2013-09-17"));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w->StartDate, &out);
        QCOMPARE(w->Bdates->text(), QStringLiteral("2013-03-01"));
        QCOMPARE(w->Edates->text(), QStringLiteral("2013-09-17"));
        QApplication::sendEvent(w->EndDate, &out);
        QCOMPARE(w->Edates->text(), QStringLiteral("2013-03-02"));

        // Cancel closes and enables the browser.
        app.click("StdRptByDate", "Cancel");
        QApplication::processEvents();
        QVERIFY(!app.frame->window(QStringLiteral("StdRptByDate")));
        QVERIFY(browser->parentWidget()->isEnabled());

        // Opened again it starts afresh; Escape closes it as Cancel does.
        app.click("CurrReading", "PrtRpt");
        w = app.window<StdRptByDate>("StdRptByDate");
        QCOMPARE(w->Bdates->text(), QStringLiteral("2013-09-17"));
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("StdRptByDate")));
        QVERIFY(browser->parentWidget()->isEnabled());
    }

    void requestPickersTakeTypedDates_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("US") << QLocale(QLocale::English, QLocale::UnitedStates) << "3/1/2013"
                            << "03/04/2013";
        QTest::newRow("British") << QLocale(QLocale::English, QLocale::UnitedKingdom) << "1/3/2013"
                                 << "04/03/2013";
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << "1.3.2013"
                                << "04.03.2013";
    }

    void requestPickersTakeTypedDates()
    {
        // Typed with real keys into whatever has the focus, Tab between.
        QFETCH(QLocale, locale);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QLocale::setDefault(locale);
        const auto restore = qScopeGuard([] { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); });
        TestApp app;
        Settle settle;
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), handDiary());
        app.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(app.frame.get()));
        QVERIFY(openDiary(app, QStringLiteral("Ann Smith.bcl")));
        app.click("CurrReading", "PrtRpt");
        auto *w = app.window<StdRptByDate>("StdRptByDate");
        QVERIFY(w);
        w->StartDate->setFocus();
        const auto type = [](const QString &text) {
            for (const QChar c : text)
                QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        };
        type(start);
        QVERIFY(w->EndDate->hasFocus());
        type(end);
        QCOMPARE(w->Bdates->text(), QStringLiteral("2013-03-01"));
        QCOMPARE(w->Edates->text(), QStringLiteral("2013-03-04"));
        QVERIFY(w->Option1->hasFocus());
    }

    void requestChecksTheRangeAndKeepsChoicesOnCancel()
    {
        Rig rig;
        TestApp app;
        Settle settle;
        app.frame->services() = rig.services();
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), handDiary());
        QVERIFY(openDiary(app, QStringLiteral("Ann Smith.bcl")));
        app.click("CurrReading", "PrtRpt");
        auto *w = app.window<StdRptByDate>("StdRptByDate");

        // Start one day after the end: told, no printer dialog, still open.
        w->StartDate->setDate(QDate(2013, 3, 5));
        w->EndDate->setDate(QDate(2013, 3, 4));
        w->Option2->setChecked(true);
        app.click("StdRptByDate", "PrintRpt");
        QCOMPARE(rig.fakes.messages.shown.size(), 1);
        QCOMPARE(rig.fakes.messages.lastText(), QStringLiteral("The date range has been set incorrectly."));
        QVERIFY(rig.fakes.messages.shown.last().title.isEmpty());
        QVERIFY(rig.dialog.presets.isEmpty());
        QVERIFY(app.window<StdRptByDate>("StdRptByDate"));

        // The same date at both ends is a range; cancelling the printer
        // dialog keeps the window and its choices without a word.
        w->StartDate->setDate(QDate(2013, 3, 4));
        rig.dialog.cancel();
        app.click("StdRptByDate", "PrintRpt");
        QCOMPARE(rig.dialog.presets.size(), 1);
        QCOMPARE(rig.fakes.messages.shown.size(), 1);
        QVERIFY(app.window<StdRptByDate>("StdRptByDate"));
        QCOMPARE(w->Bdates->text(), QStringLiteral("2013-03-04"));
        QCOMPARE(w->Edates->text(), QStringLiteral("2013-03-04"));
        QVERIFY(w->Option2->isChecked());
        QVERIFY(!app.frame->window(QStringLiteral("CurrReading"))->parentWidget()->isEnabled());
    }

    void requestPrintsTheChosenReportAndCloses()
    {
        struct Case {
            bool withReadings;
            QDate start, end;
            int pages;
            QString message;
        };
        const QList<Case> cases{
            {true, handStart, handEnd, 2, QString()},
            {false, handStart, handEnd, 1, QString()},
            // Today (2013-09-17) holds no date: told, and the window closes.
            {true, QDate(), QDate(), 0, QStringLiteral("Thee are no readings to print.")},
            {false, QDate(2013, 3, 3), QDate(2013, 3, 3), 1, QString()},
        };
        for (const Case &c : cases) {
            Rig rig;
            TestApp app;
            Settle settle;
            app.frame->services() = rig.services();
            writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), handDiary());
            CurrReading *browser = openDiary(app, QStringLiteral("Ann Smith.bcl"));
            app.click("CurrReading", "PrtRpt");
            auto *w = app.window<StdRptByDate>("StdRptByDate");
            if (c.start.isValid()) {
                w->StartDate->setDate(c.start);
                w->EndDate->setDate(c.end);
            }
            (c.withReadings ? w->Option1 : w->Option2)->setChecked(true);
            const QString pdf = path(QStringLiteral("window.pdf"));
            QFile::remove(pdf);
            rig.dialog.confirmFile(pdf);
            app.click("StdRptByDate", "PrintRpt");

            QApplication::processEvents();
            QVERIFY(!app.frame->window(QStringLiteral("StdRptByDate")));
            QVERIFY(browser->parentWidget()->isEnabled());
            QCOMPARE(rig.fakes.messages.lastText(), c.message);
            const PdfDocument doc = readPdf(pdf);
            QCOMPARE(doc.pages.size(), c.pages);
            if (c.pages) {
                const Grid grid{rig.printer.printableArea()};
                QCOMPARE(lineText(doc.pages[0], grid, 4), QStringLiteral("NAME: Ann Smith"));
                QCOMPARE(lineText(doc.pages.last(), grid, 7), QStringLiteral("Summary Page"));
                const QString range = headerDate(c.start) + QStringLiteral(" To ") + headerDate(c.end);
                QCOMPARE(lineText(doc.pages[0], grid, 5), QStringLiteral("DATES: ") + range);
            }
        }
    }

    // --- Chart printing ---

    void aChartPrintsOnOneLandscapePageAtItsPlace()
    {
        ChartView view;
        QChart *chart = chartOf(view);
        Rig rig;
        rig.clipboard.heldText = QStringLiteral("something the user copied");
        const QString pdf = path(QStringLiteral("chart.pdf"));
        rig.dialog.confirmFile(pdf);
        const QString before = QDir::currentPath();
        Services s = rig.services();
        QCOMPARE(PrintChart(s, &view, chart).kind, PrintOutcome::Kind::Printed);

        QVERIFY(rig.fakes.messages.shown.isEmpty());
        QCOMPARE(QDir::currentPath(), before);
        QCOMPARE(rig.printer.orientation(), ReportPrinter::Orientation::Portrait);
        // The picture went through the clipboard, which is empty at the end.
        QCOMPARE(rig.clipboard.puts, 2);
        QVERIFY(rig.clipboard.clears >= 3);
        QVERIFY(!rig.clipboard.held && rig.clipboard.heldText.isEmpty());

        const PdfDocument doc = readPdf(pdf);
        QCOMPARE(doc.pages.size(), 1);
        QVERIFY(doc.pages[0].size.width() > doc.pages[0].size.height());
        // The chart's texts are text on the page: a vector picture.
        QStringList words;
        for (const PdfWord &w : doc.pages[0].words)
            words << w.text;
        QVERIFY2(words.contains(QStringLiteral("Pre-Breakfast")), qPrintable(words.join(' ')));
        QVERIFY(words.contains(QStringLiteral("Date")) && words.contains(QStringLiteral("Reading")));

        // The chart's background, drawn in its own colour, covers a rectangle
        // of the chart's size at 2900, 3000 twips from the paper's corner.
        const double dpi = 72;
        const QImage page = renderPdfPage(pdf, 0, dpi);
        QRect found;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                if (std::abs(c.red() - 200) < 8 && std::abs(c.green() - 230) < 8 && std::abs(c.blue() - 201) < 8)
                    found |= QRect(x, y, 1, 1);
            }
        const QRectF expected(2900.0 / 20, 3000.0 / 20, chart->size().width() * 72.0 / 96,
                              chart->size().height() * 72.0 / 96);
        QVERIFY2(std::abs(found.left() - expected.left()) <= 2 && std::abs(found.top() - expected.top()) <= 2 &&
                     std::abs(found.right() + 1 - expected.right()) <= 2 &&
                     std::abs(found.bottom() + 1 - expected.bottom()) <= 2,
                 qPrintable(QStringLiteral("found %1,%2 %3x%4, expected %5,%6 %7x%8")
                                .arg(found.left())
                                .arg(found.top())
                                .arg(found.width())
                                .arg(found.height())
                                .arg(expected.left())
                                .arg(expected.top())
                                .arg(expected.width())
                                .arg(expected.height())));

        // A report printed next comes out upright.
        const QString diary = path(QStringLiteral("After Chart.bcl"));
        writeDiary(diary, handDiary());
        const QString report = path(QStringLiteral("after chart.pdf"));
        rig.printer.useOutputFile(report);
        PrintSummaryOnly(*s.printer, requestFor(diary, handStart, handEnd));
        const PdfDocument after = readPdf(report);
        QVERIFY(after.pages[0].size.height() > after.pages[0].size.width());
    }

    void aCancelledChartPrintTouchesNothing()
    {
        ChartView view;
        QChart *chart = chartOf(view);
        Rig rig;
        rig.clipboard.heldText = QStringLiteral("kept");
        rig.dialog.cancel();
        Services s = rig.services();
        QCOMPARE(PrintChart(s, &view, chart).kind, PrintOutcome::Kind::Cancelled);
        QCOMPARE(rig.clipboard.clears, 0);
        QCOMPARE(rig.clipboard.heldText, QStringLiteral("kept"));
        QVERIFY(rig.fakes.messages.shown.isEmpty());
        QCOMPARE(rig.fakes.messages.beeps, 0);
        QCOMPARE(rig.printer.orientation(), ReportPrinter::Orientation::Portrait);
    }

    void aFailedChartPrintIsToldAndTheNextReportIsUpright()
    {
        ChartView view;
        QChart *chart = chartOf(view);
        const QString before = QDir::currentPath();
        struct Case {
            const char *failOn; // empty: the printer cannot be opened
            bool clipboardRefuses;
        };
        for (const Case &c : {Case{"", false}, Case{"paintPicture", false}, Case{"endDoc", false}, Case{"", true}}) {
            Rig rig;
            FailingPrinter failing(rig.printer);
            failing.failOn = QLatin1String(c.failOn);
            failing.wanderTo = QDir::tempPath();
            rig.use = &failing;
            rig.clipboard.refuse = c.clipboardRefuses;
            rig.dialog.confirmFile(*c.failOn || c.clipboardRefuses ? path(QStringLiteral("chart fail.pdf"))
                                                                   : path(QStringLiteral("missing/chart.pdf")));
            Services s = rig.services();
            tellChartPrintOutcome(s, &view, PrintChart(s, &view, chart));

            QCOMPARE(rig.fakes.messages.shown.size(), 1);
            const FakeMessages::Shown &m = rig.fakes.messages.shown.last();
            QCOMPARE(m.text, QStringLiteral("Check Your Printer and Try Again"));
            QCOMPARE(m.title, QStringLiteral("Levelbook"));
            QCOMPARE(m.icon, MsgIcon::Critical);
            QCOMPARE(m.buttons, MsgButtons::Ok);
            QCOMPARE(rig.fakes.messages.beeps, 1);
            QCOMPARE(QDir::currentPath(), before);
            QCOMPARE(rig.printer.orientation(), ReportPrinter::Orientation::Portrait);
            QVERIFY(!rig.printer.documentActive());
            QVERIFY(!QFile::exists(path(QStringLiteral("chart fail.pdf"))));

            // The next report is printed upright.
            const QString diary = path(QStringLiteral("After Failure.bcl"));
            QFile::remove(diary);
            writeDiary(diary, handDiary());
            const QString report = path(QStringLiteral("after failure.pdf"));
            rig.use = &rig.printer;
            rig.printer.useOutputFile(report);
            s = rig.services();
            PrintSummaryOnly(*s.printer, requestFor(diary, handStart, handEnd));
            const PdfDocument after = readPdf(report);
            QVERIFY(after.pages[0].size.height() > after.pages[0].size.width());
        }
    }

    void theSystemClipboardCarriesTheVectorPicture()
    {
        ChartView view;
        QChart *chart = chartOf(view);
        QtClipboard clipboard;
        const QPicture picture = chartPicture(chart);
        QCOMPARE(picture.boundingRect().size(), chart->size().toSize());
        clipboard.setPicture(picture);
        const std::optional<QPicture> back = clipboard.picture();
        QVERIFY(back);
        QCOMPARE(back->size(), picture.size());
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasImage());
        clipboard.clear();
        QVERIFY(!clipboard.picture());
    }

private:
    // A small chart on screen: 31 points, a title and axis titles, its
    // background in a colour of its own.
    static QChart *chartOf(QChartView &view)
    {
        auto *chart = new QChart;
        auto *series = new QLineSeries;
        for (int i = 0; i < 31; ++i)
            series->append(i, i < 25 ? 90 + (i * 37) % 90 : 0);
        chart->addSeries(series);
        chart->setTitle(QStringLiteral("Pre-Breakfast"));
        chart->createDefaultAxes();
        chart->axes(Qt::Horizontal).first()->setTitleText(QStringLiteral("Date Of Reading"));
        chart->axes(Qt::Vertical).first()->setTitleText(QStringLiteral("Blood Sugar Level"));
        chart->legend()->hide();
        chart->setBackgroundBrush(QColor(200, 230, 201));
        chart->setBackgroundRoundness(0);
        chart->setDropShadowEnabled(false);
        chart->layout()->setContentsMargins(0, 0, 0, 0);
        view.setChart(chart);
        view.resize(665, 345);
        view.show();
        QApplication::processEvents();
        return chart;
    }
};

int main(int argc, char *argv[])
{
    // No print server: the report printer has only PDF files to print to,
    // and the machine's own print server is never asked.
    qputenv("CUPS_SERVER", "/nonexistent/levelbook-no-print-server.sock");
    QApplication app(argc, argv);
    // Dates are shown as a United States desktop shows them (9/17/2013).
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TestReports test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_reports.moc"
