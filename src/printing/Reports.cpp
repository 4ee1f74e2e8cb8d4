#include "printing/Reports.h"

#include "core/Database.h"
#include "core/DateKey.h"
#include "platform/ReportPrinter.h"
#include "platform/Services.h"
#include "printing/WorkingDirectory.h"

#include <algorithm>
#include <functional>

namespace {

// What a report prints once the range is known to hold dates: the pages,
// given the printer, the cursor on the first date of the range and the
// number of date lines.
using PrintRange = std::function<void(ReportPrinter &, Cursor &, qint64 lines)>;

// One run of a report: opens the diary, finds the range and hands the
// printing to `print`. Whatever happens, the working directory is restored
// and the diary closed before the outcome is given; a document cut short by
// a failure of the diary or of the printer is thrown away.
PrintOutcome runReport(ReportPrinter &printer, const ReportRequest &request, const QString &documentName,
                       const PrintRange &print)
{
    PrintOutcome outcome;
    WorkingDirectoryGuard workingDirectory;
    bool started = false;
    try {
        Database db = Database::open(request.databasePath, Database::Access::ReadOnly);
        Cursor cursor(db);
        RangeContent content = seekRange(cursor, request.startKey, request.endKey);
        const qint64 lines = content == RangeContent::Dates ? cursor.countThrough(request.endKey) : 0;
        // The engine orders the keys itself; should it count none where the
        // seek found one, the range still holds nothing to print.
        if (content == RangeContent::Dates && lines == 0)
            content = RangeContent::NoDateInRange;
        if (content != RangeContent::Dates) {
            outcome.kind = PrintOutcome::Kind::NothingToPrint;
            outcome.text = nothingToPrintText(content);
            return outcome;
        }
        // From here on a failure of the printer is a failed print, and one of
        // the diary a failed read; neither leaves a document.
        started = true;
        try {
            printer.setDocumentName(documentName);
            print(printer, cursor, lines);
            printer.endDoc();
        } catch (const StoreError &) {
            throw;
        } catch (const std::exception &) {
            printer.killDoc();
            outcome.kind = PrintOutcome::Kind::PrinterFailed;
            outcome.text = printerFailedText();
        }
    } catch (const StoreError &e) {
        if (started)
            printer.killDoc();
        outcome.kind = PrintOutcome::Kind::DiaryFailed;
        outcome.text = readFailedText();
        outcome.detail = e.message();
    }
    return outcome;
}

// The dates of the date lines: the user's short date, unless that form is so
// wide in the report font that a date would run into the first reading
// column; then the numeric form of the header, which always leaves room.
class LineDates {
public:
    explicit LineDates(ReportPrinter &printer)
    {
        const QLocale locale;
        double widest = 0;
        for (int month = 1; month <= 12; ++month)
            widest = std::max(widest, printer.textWidth(ShortDate(QDate(2000, month, 28), locale)));
        const double room = reportColumns()[0].anchor - kLeftMargin - printer.textWidth(QStringLiteral("000")) / 2 - 1;
        numeric_ = widest > room;
    }

    QString operator()(const QString &key) const { return numeric_ ? headerDate(dateFromKey(key)) : ShortDate(key); }

private:
    bool numeric_ = false;
};

} // namespace

void PrintSummaryPage(ReportPrinter &printer, const ReportRequest &request, qint64 pageNumber, qint64 pageTotal,
                      const KindSummaries &kinds)
{
    const QString endDate = headerDate(request.endDate);
    const QString startDate = headerDate(request.startDate);
    const QString page = ReadingText(double(pageNumber));
    const QString total = ReadingText(double(pageTotal));
    useReportGrid(printer);

    printAt(printer, kLeftMargin, 4, QStringLiteral("NAME: ") + request.databaseName);
    printAt(printer, kLeftMargin, 5, QStringLiteral("DATES: ") + startDate + QStringLiteral(" To ") + endDate);
    printAt(printer, kLeftMargin, 6, QStringLiteral("PAGE #: ") + page + QStringLiteral(" OF ") + total);
    printAt(printer, kLeftMargin, 7, QStringLiteral("Summary Page"));

    // Four blocks of two kinds: the first four kinds on the left, the rest on
    // the right.
    constexpr double columnX[2] = {10, 45};
    const QString gap = QStringLiteral("   ");
    const auto &labels = readingKinds();
    for (int block = 0; block < 4; ++block) {
        const double y = 10 + 5 * block;
        const size_t kind[2] = {size_t(block), size_t(block + 4)};

        printer.setFontBold(true);
        for (int side = 0; side < 2; ++side)
            printAt(printer, columnX[side], y, QLatin1String(labels[kind[side]].label));
        printer.setFontBold(false);

        for (int side = 0; side < 2; ++side) {
            const KindSummary &s = kinds[kind[side]];
            printAt(printer, columnX[side], y + 1,
                    QStringLiteral("Highest Reading: ") + s.HighestText + gap + s.HighestDate);
        }
        for (int side = 0; side < 2; ++side) {
            const KindSummary &s = kinds[kind[side]];
            printAt(printer, columnX[side], y + 2,
                    QStringLiteral("Lowest Reading: ") + s.LowestText + gap + s.LowestDate);
        }
        for (int side = 0; side < 2; ++side) {
            const KindSummary &s = kinds[kind[side]];
            printAt(printer, columnX[side], y + 3, QStringLiteral("Average Reading: ") + s.AverageText);
        }
    }
}

PrintOutcome PrintReadingsReport(ReportPrinter &printer, const ReportRequest &request)
{
    // One walk prints the date lines and gathers the summary page's figures;
    // the lines were counted beforehand for the page numbers.
    return runReport(printer, request, QStringLiteral("Levelbook Report"),
                     [&request](ReportPrinter &printer, Cursor &cursor, qint64 lineTotal) {
                         const qint64 pageTotal = pagesOfLines(lineTotal) + 1; // and the summary page
                         const auto &columns = reportColumns();

                         qint64 page = 1;
                         PrintPageHeader(printer, request, page, pageTotal);
                         const LineDates lineDate(printer);
                         RangeTally tally;
                         double y = kFirstLineY;
                         int lines = 0;
                         for (; !cursor.eof() && cursor.key() <= request.endKey; cursor.moveNext()) {
                             if (lines == kLinesPerPage) {
                                 ++page;
                                 printer.newPage();
                                 PrintPageHeader(printer, request, page, pageTotal);
                                 y = kFirstLineY;
                                 lines = 0;
                             }
                             const ReadingDay &day = cursor.row();
                             tally.add(day);
                             printAt(printer, kLeftMargin, y, lineDate(day.key));
                             for (int k = 0; k < kReadingKinds; ++k)
                                 printCentred(printer, columns[size_t(k)].anchor, y, day.readings[size_t(k)]);
                             ++y;
                             ++lines;
                         }
                         // Another program changed the range since it was counted:
                         // the page numbers printed are wrong.
                         if (tally.lines() != lineTotal)
                             throw StoreError(StoreError::Kind::Failed,
                                              QStringLiteral("The diary changed while the report was printed."));

                         ++page;
                         printer.newPage();
                         PrintSummaryPage(printer, request, page, pageTotal, tally.summary().kinds);
                     });
}

PrintOutcome PrintSummaryOnly(ReportPrinter &printer, const ReportRequest &request)
{
    return runReport(printer, request, QStringLiteral("Levelbook Summary"),
                     [&request](ReportPrinter &printer, Cursor &cursor, qint64) {
                         const CollectedRange range = CollectRangeSummary(cursor, request.startKey, request.endKey);
                         if (!range.summary)
                             throw StoreError(StoreError::Kind::Failed,
                                              QStringLiteral("The diary changed while the report was printed."));
                         PrintSummaryPage(printer, request, 1, 1, range.summary->kinds);
                     });
}
