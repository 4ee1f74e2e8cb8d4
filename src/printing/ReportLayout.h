#pragma once
// How the printed reports use the page: an 80 by 66 grid over the printable
// area, "Times New Roman" 12 points, texts placed by their top-left corner,
// reading columns centred on fixed anchors, and the header of a reading page.

#include "core/RangeSummary.h"
#include "core/ReadingKind.h"

#include <QDate>
#include <QString>

#include <array>

class ReportPrinter;

// What a report prints: the diary and the range the user asked for.
struct ReportRequest {
    QString databasePath; // the diary file
    QString databaseName; // the person's name, as the browser shows it
    QString startKey;     // first and last date of the range, "yyyy-MM-dd",
    QString endKey;       // both included
    QDate startDate;      // the same dates as the pickers hold them, for the
    QDate endDate;        // dates line of the header
};

inline constexpr double kGridWidth = 80;
inline constexpr double kGridHeight = 66;
inline constexpr double kFirstLineY = 11;
inline constexpr double kLeftMargin = 10; // x of the header lines and the dates

inline const QString &reportFontName()
{
    static const QString name = QStringLiteral("Times New Roman");
    return name;
}
inline constexpr double kReportFontPoints = 12;

// One reading column of a reading page: its centre and its two heading lines
// (an empty first line prints nothing).
struct ReportColumn {
    double anchor;
    const char *heading1;
    const char *heading2;
};
const std::array<ReportColumn, kReadingKinds> &reportColumns();

// A date of the dates line: "MM/dd/yyyy".
QString headerDate(const QDate &date);

// Half the printed width of the text in the printer's current font and scale.
float HalfTextWidth(ReportPrinter &printer, const QString &text);

// Prints the text with its top-left corner at (x, y).
void printAt(ReportPrinter &printer, double x, double y, const QString &text);
// Prints the text centred on x at line y.
void printCentred(ReportPrinter &printer, double x, double y, const QString &text);

// Sets the 80 by 66 grid and the regular report font.
void useReportGrid(ReportPrinter &printer);

// Prints the header of a reading page on the current page: name, dates, page
// line, and the italic column headings. Leaves the grid and the regular font
// in effect.
void PrintPageHeader(ReportPrinter &printer, const ReportRequest &request, qint64 pageNumber, qint64 pageTotal);
