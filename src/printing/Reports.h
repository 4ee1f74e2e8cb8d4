#pragma once
// The printed reports of a date range: the report with one line per date and
// the summary page after it, and the summary page alone.

#include "core/RangeSummary.h"
#include "printing/PrintOutcome.h"
#include "printing/ReportLayout.h"

class ReportPrinter;

// Prints the summary page of the range on the current page: the header with
// "Summary Page", then for every kind its highest and lowest reading with
// their dates and its average, the labels in bold.
void PrintSummaryPage(ReportPrinter &printer, const ReportRequest &request, qint64 pageNumber, qint64 pageTotal,
                      const KindSummaries &kinds);

// Prints the range on `printer`, fifty dates to a page under the page header,
// with the summary page as the last page. Returns what happened: printed,
// nothing to print (with the words why), the printer failed or the diary
// could not be read; on a failure no document is left.
PrintOutcome PrintReadingsReport(ReportPrinter &printer, const ReportRequest &request);

// Prints the summary page of the range alone, as page 1 of 1; the same
// outcomes.
PrintOutcome PrintSummaryOnly(ReportPrinter &printer, const ReportRequest &request);
