#pragma once
// The printed reports of a date range: the report with one line per date and
// the summary page after it, and the summary page alone.

#include "core/RangeSummary.h"
#include "printing/ReportLayout.h"

class QWidget;
class ReportPrinter;
struct Services;

// Prints the summary page of the range on the current page: the header with
// "Summary Page", then for every kind its highest and lowest reading with
// their dates and its average, the labels in bold.
void PrintSummaryPage(ReportPrinter &printer, const ReportRequest &request, qint64 pageNumber, qint64 pageTotal,
                      const KindSummaries &kinds);

// Prints the range, fifty dates to a page under the page header, with the
// summary page as the last page. Tells the user when there is nothing to
// print or the printing failed.
void PrintReadingsReport(Services &services, QWidget *parent, const ReportRequest &request);

// Prints the summary page of the range alone, as page 1 of 1.
void PrintSummaryOnly(Services &services, QWidget *parent, const ReportRequest &request);

// What the user is told when a report could not be printed.
inline QString printerFailedText() { return QStringLiteral("Check your printer and try again."); }
