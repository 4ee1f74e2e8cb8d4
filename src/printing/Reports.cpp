#include "printing/Reports.h"

#include "platform/ReportPrinter.h"
#include "platform/Services.h"
#include "printing/WorkingDirectory.h"
#include "core/Database.h"
#include "core/DateKey.h"

#include <algorithm>

namespace {

// One run of a report: opens the diary, gathers the range and hands the
// printing to `print`. Whatever happens, the working directory is restored
// and the diary closed before the user hears of a failure.
template <class Print> void runReport(Services &services, QWidget *parent, const ReportRequest &request,
                                      const QString &documentName, Print &&print)
{
    bool printerFailed = false;
    bool diaryFailed = false;
    QString diaryDetail;
    QString nothingToPrint;
    {
        WorkingDirectoryGuard workingDirectory;
        try {
            Database db = Database::open(request.databasePath, Database::Access::ReadOnly);
            Cursor cursor(db);
            const CollectedRange range = CollectRangeSummary(cursor, request.startKey, request.endKey);
            nothingToPrint = range.nothingToPrint;
            if (range.summary) {
                // From here on any failure, of the printer or of the diary, is a
                // failed print.
                ReportPrinter &printer = *services.printer;
                try {
                    printer.setDocumentName(documentName);
                    print(printer, cursor, *range.summary);
                    printer.endDoc();
                } catch (const std::exception &) {
                    printer.killDoc();
                    printerFailed = true;
                }
            }
        } catch (const StoreError &e) {
            diaryFailed = true;
            diaryDetail = e.message();
        }
    }
    if (!nothingToPrint.isEmpty())
        services.messages->show(parent, nothingToPrint);
    else if (printerFailed)
        services.messages->show(parent, printerFailedText());
    else if (diaryFailed)
        reportFailure(services, parent, readFailedText(), diaryDetail);
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

void PrintReadingsReport(Services &services, QWidget *parent, const ReportRequest &request)
{
    runReport(services, parent, request, QStringLiteral("Levelbook Report"),
              [&request](ReportPrinter &printer, Cursor &cursor, const RangeSummary &summary) {
                  const qint64 pageTotal = summary.pages + 1; // and the summary page
                  const auto &columns = reportColumns();

                  cursor.seek(SeekOp::AtLeast, request.startKey);
                  qint64 page = 1;
                  PrintPageHeader(printer, request, page, pageTotal);
                  const LineDates lineDate(printer);
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
                      printAt(printer, kLeftMargin, y, lineDate(day.key));
                      for (int k = 0; k < kReadingKinds; ++k)
                          printCentred(printer, columns[size_t(k)].anchor, y, day.readings[size_t(k)]);
                      ++y;
                      ++lines;
                  }

                  ++page;
                  printer.newPage();
                  PrintSummaryPage(printer, request, page, pageTotal, summary.kinds);
              });
}

void PrintSummaryOnly(Services &services, QWidget *parent, const ReportRequest &request)
{
    runReport(services, parent, request, QStringLiteral("Levelbook Summary"),
              [&request](ReportPrinter &printer, Cursor &, const RangeSummary &summary) {
                  PrintSummaryPage(printer, request, 1, 1, summary.kinds);
              });
}
