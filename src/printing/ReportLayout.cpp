#include "printing/ReportLayout.h"

#include "platform/ReportPrinter.h"

const std::array<ReportColumn, kReadingKinds> &reportColumns()
{
    // The centres are 7 apart but for the two 8-unit steps around Pre-Dinner.
    static const std::array<ReportColumn, kReadingKinds> columns{{
        {20, "PRE-", "B'FAST."},
        {27, "AFTER", "B'FAST."},
        {34, "PRE-", "LUNCH"},
        {41, "AFTER", "LUNCH"},
        {49, "PRE-", "DINNER"},
        {57, "AFTER", "DINNER."},
        {64, "BED-", "TIME"},
        {71, "", "NIGHT"},
    }};
    return columns;
}

QString headerDate(const QDate &date)
{
    // Written out by hand: a date pattern is parsed afresh on every call, and
    // every page header and every numeric date line asks for this form.
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    if (!date.isValid() || year < 1 || year > 9999)
        return date.toString(QStringLiteral("MM/dd/yyyy"));
    const auto digit = [](int n) { return QChar(u'0' + n % 10); };
    const QChar text[10] = {digit(month / 10), digit(month),       QChar(u'/'),       digit(day / 10),  digit(day),
                            QChar(u'/'),       digit(year / 1000), digit(year / 100), digit(year / 10), digit(year)};
    return QString(text, 10);
}

float HalfTextWidth(ReportPrinter &printer, const QString &text) { return float(printer.textWidth(text) / 2); }

void printAt(ReportPrinter &printer, double x, double y, const QString &text)
{
    printer.setCurrentX(x);
    printer.setCurrentY(y);
    printer.printText(text);
}

void printCentred(ReportPrinter &printer, double x, double y, const QString &text)
{
    printAt(printer, x - HalfTextWidth(printer, text), y, text);
}

void useReportGrid(ReportPrinter &printer)
{
    printer.setScale(0, 0, kGridWidth, kGridHeight);
    printer.setFont(reportFontName(), kReportFontPoints);
    printer.setFontBold(false);
    printer.setFontItalic(false);
}

void PrintPageHeader(ReportPrinter &printer, const ReportRequest &request, qint64 pageNumber, qint64 pageTotal)
{
    const QString endDate = headerDate(request.endDate);
    const QString startDate = headerDate(request.startDate);
    useReportGrid(printer);

    printAt(printer, kLeftMargin, 4, QStringLiteral("NAME: ") + request.databaseName);
    printAt(printer, kLeftMargin, 5, QStringLiteral("DATES: ") + startDate + QStringLiteral(" To ") + endDate);
    printAt(printer, kLeftMargin, 6,
            QStringLiteral("PAGE #: ") + QString::number(pageNumber) + QStringLiteral(" OF ") +
                QString::number(pageTotal));

    printer.setFontItalic(true);
    for (const ReportColumn &c : reportColumns())
        if (*c.heading1)
            printCentred(printer, c.anchor, 8, QLatin1String(c.heading1));
    printAt(printer, kLeftMargin, 9, QStringLiteral("DATE"));
    for (const ReportColumn &c : reportColumns())
        printCentred(printer, c.anchor, 9, QLatin1String(c.heading2));
    printer.setFontItalic(false);
}
