#include "printing/StandardDayPrinting.h"

#include "core/Database.h"
#include "core/DateKey.h"
#include "core/RangeSummary.h"
#include "core/StandardDayTable.h"
#include "platform/ReportPrinter.h"
#include "platform/Services.h"
#include "printing/PrinterChoice.h"
#include "printing/StandardDayChart.h"
#include "printing/WorkingDirectory.h"

#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QSettings>
#include <QtCharts/QChart>

#include <algorithm>

namespace {

// Sizes on the page, in points.
constexpr double kMargin = 42.5; // 15 mm
constexpr double kChartHeight = 290;
constexpr double kRowHeight = 12;

QFont pageFont(double points, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

// Draws one line of text with its top-left corner at (x, y); returns its height.
double textAt(QPainter &p, double x, double y, const QString &text, const QFont &font, const QColor &colour = Qt::black)
{
    p.setFont(font);
    p.setPen(colour);
    const QFontMetricsF m(font, p.device());
    p.drawText(QPointF(x, y + m.ascent()), text);
    return m.height();
}

void textCentredIn(QPainter &p, const QRectF &box, const QString &text, const QFont &font, const QColor &colour)
{
    p.setFont(font);
    p.setPen(colour);
    p.drawText(box, Qt::AlignCenter, text);
}

// The logical resolution of the screen, in which the chart lays out its texts.
double chartDpi()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

// The chart drawn into `box` (device pixels), `pt` pixels to the point.
void paintChart(QPainter &p, const QRectF &box, double pt, const StandardDayPage &page)
{
    const double scale = chartDpi() / 72.0 / pt; // chart pixels per device pixel
    QGraphicsScene scene;
    auto *chart = new QChart;
    scene.addItem(chart);
    chart->setBackgroundRoundness(0);
    chart->setBackgroundBrush(Qt::white);
    chart->setBackgroundPen(Qt::NoPen);
    chart->setMargins(QMargins(4, 4, 4, 4));
    drawStandardDayChart(chart, page.figures, page.choice.unit, page.choice.target, StandardDayChartType{8.5, 7.5, 8});
    chart->resize(box.size() * scale);
    if (chart->layout())
        chart->layout()->activate();
    scene.render(&p, box, chart->sceneBoundingRect());
}

void paintTable(QPainter &p, double left, double top, double width, double pt, const StandardDayTable &table)
{
    const QFont regular = pageFont(7.5);
    const QFont bold = pageFont(7.5, true);
    const QFontMetricsF m(regular, p.device());

    double labelWidth = 0;
    for (const StandardDayTable::Row &row : table.rows)
        labelWidth = std::max(labelWidth, m.horizontalAdvance(row.label));
    labelWidth += 8 * pt;
    const double columnWidth = (width - labelWidth) / kStandardDayColumns;
    const double row = kRowHeight * pt;
    const auto columnBox = [&](int c, double y, double h) {
        return QRectF(left + labelWidth + c * columnWidth, y, columnWidth, h);
    };

    // The heading, on two lines, over a rule.
    const double headingHeight = 2 * row;
    p.fillRect(QRectF(left, top, width, headingHeight), QColor(232, 238, 245));
    for (int c = 0; c < kStandardDayColumns; ++c) {
        const auto &h = table.headings[size_t(c)];
        textCentredIn(p, columnBox(c, top, row), h[0], bold, Qt::black);
        textCentredIn(p, columnBox(c, top + row, row), h[1], bold, Qt::black);
    }
    double y = top + headingHeight;

    // The column of all readings stands apart.
    p.fillRect(columnBox(kStandardDayColumns - 1, y, row * table.rows.size()), QColor(245, 245, 245));
    p.setPen(QPen(QColor(120, 120, 120), 0.6 * pt));
    p.drawLine(QPointF(left, y), QPointF(left + width, y));

    for (int r = 0; r < table.rows.size(); ++r) {
        const StandardDayTable::Row &line = table.rows[r];
        // The figures fall into groups: counts, mean and spread, percentiles,
        // extremes, shares.
        if (r == 2 || r == 5 || r == 10 || r == 12) {
            p.setPen(QPen(QColor(170, 170, 170), 0.4 * pt));
            p.drawLine(QPointF(left, y), QPointF(left + width, y));
        }
        textAt(p, left + 2 * pt, y + (row - m.height()) / 2, line.label, regular);
        for (int c = 0; c < kStandardDayColumns; ++c) {
            const bool marked = line.marked[size_t(c)];
            const bool all = c == kStandardDayColumns - 1;
            textCentredIn(p, columnBox(c, y, row), line.cells[size_t(c)], marked || all ? bold : regular,
                          marked ? QColor(170, 0, 0) : QColor(Qt::black));
        }
        y += row;
    }
    p.setPen(QPen(QColor(120, 120, 120), 0.6 * pt));
    p.drawLine(QPointF(left, y), QPointF(left + width, y));
    p.drawLine(QPointF(left + labelWidth, top), QPointF(left + labelWidth, y));
}

// The colours of the five levels, from very low to very high.
const QColor kLevelColours[5] = {QColor(150, 20, 20), QColor(225, 80, 60), QColor(80, 165, 90), QColor(245, 190, 60),
                                 QColor(230, 130, 30)};

// All readings by level: a bar of the five shares side by side, and under it
// each level's name, span and share. Returns the height used.
double paintLevels(QPainter &p, const QRectF &box, double pt, const StandardDayPage &page)
{
    const std::array<RangeLevel, 5> levels = rangeLevels(page.figures.all, page.choice.unit, page.choice.target);
    double y = box.top();
    y += textAt(p, box.left(), y, QStringLiteral("All readings by level, ") + unitName(page.choice.unit),
                pageFont(9, true));
    y += 3 * pt;

    const QRectF bar(box.left(), y, box.width(), 12 * pt);
    double x = bar.left();
    for (int i = 0; i < 5; ++i) {
        const double share = std::isfinite(levels[size_t(i)].share) ? levels[size_t(i)].share : 0;
        const double w = bar.width() * std::min(share, 100.0) / 100.0;
        p.fillRect(QRectF(x, bar.top(), w, bar.height()), kLevelColours[i]);
        x += w;
    }
    p.setPen(QPen(QColor(90, 90, 90), 0.5 * pt));
    p.setBrush(Qt::NoBrush);
    p.drawRect(bar);
    y = bar.bottom() + 4 * pt;

    const double column = box.width() / 5;
    double used = 0;
    for (int i = 0; i < 5; ++i) {
        const RangeLevel &level = levels[size_t(i)];
        const double left = box.left() + i * column;
        p.fillRect(QRectF(left, y + 2 * pt, 7 * pt, 7 * pt), kLevelColours[i]);
        double ly = y;
        ly += textAt(p, left + 10 * pt, ly, level.name, pageFont(7.5, true));
        ly += textAt(p, left + 10 * pt, ly, level.span, pageFont(7.5));
        ly += textAt(p, left + 10 * pt, ly, percentText(level.share) + QStringLiteral(" %"), pageFont(9, true));
        used = std::max(used, ly - box.top());
    }
    return used;
}

// The estimated A1c in a frame, with what it is. Returns the height used.
double paintA1c(QPainter &p, const QRectF &box, double pt, const StandardDayPage &page)
{
    const QString a1c = a1cText(page.figures, page.choice.unit);
    if (a1c.isEmpty())
        return 0;
    const double pad = 6 * pt;
    double y = box.top() + pad;
    y += textAt(p, box.left() + pad, y, a1c, pageFont(9.5, true));
    y += 2 * pt;
    const QFont small = pageFont(7.5);
    p.setFont(small);
    p.setPen(Qt::black);
    const QRectF room(box.left() + pad, y, box.width() - 2 * pad, 60 * pt);
    const QRectF used = p.boundingRect(room, Qt::TextWordWrap, a1cCaveatText());
    p.drawText(room, Qt::TextWordWrap, a1cCaveatText());
    y += used.height() + pad;
    p.setPen(QPen(QColor(120, 120, 120), 0.6 * pt));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(box.left(), box.top(), box.width(), y - box.top()));
    return y - box.top();
}

} // namespace

void paintStandardDayPage(QPainter &painter, const QRectF &paper, const StandardDayPage &page)
{
    QPaintDevice *device = painter.device();
    const double pt = (device ? device->logicalDpiY() : 72) / 72.0;
    const QRectF area = paper.adjusted(kMargin * pt, kMargin * pt, -kMargin * pt, -kMargin * pt);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const StandardDayFigures &f = page.figures;
    const GlucoseUnit unit = page.choice.unit;
    double y = area.top();
    y += textAt(painter, area.left(), y, QStringLiteral("Standard Day"), pageFont(16, true));
    y += 4 * pt;

    const QFont regular = pageFont(10);
    const qint64 days = page.start.daysTo(page.end) + 1;
    y += textAt(painter, area.left(), y, QStringLiteral("Name: ") + page.name, pageFont(10, true));
    y += textAt(painter, area.left(), y,
                QStringLiteral("Dates: %1 to %2 (%3 days, %4 of them in the diary)")
                    .arg(ShortDate(page.start), ShortDate(page.end))
                    .arg(days)
                    .arg(f.dates),
                regular);
    y += textAt(painter, area.left(), y,
                QStringLiteral("Unit: %1     Target range: %2     Readings counted: %3     Not counted: %4")
                    .arg(unitName(unit), targetText(page.choice.target, unit))
                    .arg(f.all.count)
                    .arg(f.all.notCounted),
                regular);
    y += 8 * pt;

    paintChart(painter, QRectF(area.left(), y, area.width(), kChartHeight * pt), pt, page);
    y += (kChartHeight + 10) * pt;

    const StandardDayTable table = standardDayTable(f, unit, page.choice.target);
    paintTable(painter, area.left(), y, area.width(), pt, table);
    y += (2 + table.rows.size()) * kRowHeight * pt + 12 * pt;

    // The levels on the left, the estimated A1c on the right.
    const double gap = 18 * pt;
    const double a1cWidth = 200 * pt;
    const double levelsHeight =
        paintLevels(painter, QRectF(area.left(), y, area.width() - a1cWidth - gap, 0), pt, page);
    const double a1cHeight = paintA1c(painter, QRectF(area.right() - a1cWidth, y, a1cWidth, 0), pt, page);
    y += std::max(levelsHeight, a1cHeight) + 10 * pt;
    textAt(painter, area.left(), y, standardDayMethodText(), pageFont(7.5), QColor(70, 70, 70));
    painter.restore();
}

QPicture standardDayPicture(const StandardDayPage &page, const QSizeF &paperPoints)
{
    QPicture picture;
    const double pt = picture.logicalDpiY() / 72.0;
    const QRectF paper(QPointF(0, 0), paperPoints * pt);
    {
        QPainter painter(&picture);
        paintStandardDayPage(painter, paper, page);
    }
    picture.setBoundingRect(paper.toAlignedRect());
    return picture;
}

void printStandardDayPage(ReportPrinter &printer, const StandardDayPage &page)
{
    printer.setOrientation(ReportPrinter::Orientation::Portrait);
    QSizeF paper = printer.setup().pageSize.size(QPageSize::Point);
    if (paper.isEmpty())
        paper = QPageSize(QPageSize::A4).size(QPageSize::Point);
    printer.setDocumentName(QStringLiteral("Levelbook Standard Day"));
    // Twips count from the paper's corner.
    printer.setScaleTwips();
    printer.paintPicture(standardDayPicture(page, paper), 0, 0);
    printer.endDoc();
}

namespace {

// A standard day with no counted reading says the range holds none, whether
// or not a date lies after its start.
PrintOutcome nothingToPrint()
{
    PrintOutcome outcome;
    outcome.kind = PrintOutcome::Kind::NothingToPrint;
    outcome.text = nothingToPrintText(RangeContent::NoDateInRange);
    return outcome;
}

PrintOutcome printerFailed()
{
    PrintOutcome outcome;
    outcome.kind = PrintOutcome::Kind::PrinterFailed;
    outcome.text = printerFailedText();
    return outcome;
}

} // namespace

PrintOutcome PrintStandardDay(Services &services, QWidget *window, const StandardDayPage &page)
{
    if (!page.figures.hasReadings())
        return nothingToPrint();
    if (!choosePrinter(services, window)) {
        PrintOutcome cancelled;
        cancelled.kind = PrintOutcome::Kind::Cancelled;
        return cancelled;
    }
    ReportPrinter &printer = *services.printer;
    WorkingDirectoryGuard workingDirectory;
    try {
        printStandardDayPage(printer, page);
    } catch (const std::exception &) {
        printer.killDoc();
        return printerFailed();
    }
    return PrintOutcome();
}

PrintOutcome printStandardDay(QPrinter &printer, const QString &diaryPath, const QString &name, const QDate &start,
                              const QDate &end, const std::optional<StandardDayChoice> &choice)
{
    StandardDayPage page;
    page.name = name;
    page.start = start;
    page.end = end;
    try {
        StandardDayReadings readings;
        {
            Database db = Database::open(diaryPath, Database::Access::ReadOnly);
            Cursor cursor(db);
            readings = collectStandardDay(cursor, dateKey(start), dateKey(end));
        }
        page.choice = choice ? *choice : standardDayChoice(*userSettings(), diaryPath, readings);
        page.figures = standardDayFigures(readings, page.choice.unit, page.choice.target);
    } catch (const StoreError &e) {
        PrintOutcome failed;
        failed.kind = PrintOutcome::Kind::DiaryFailed;
        failed.text = readFailedText();
        failed.detail = e.message();
        return failed;
    }
    if (!page.figures.hasReadings())
        return nothingToPrint();

    printer.setFullPage(true);
    printer.setPageOrientation(QPageLayout::Portrait);
    if (printer.docName().isEmpty())
        printer.setDocName(QStringLiteral("Levelbook Standard Day"));
    QPainter painter;
    if (!painter.begin(&printer))
        return printerFailed();
    paintStandardDayPage(painter, printer.paperRect(QPrinter::DevicePixel), page);
    if (!painter.end())
        return printerFailed();
    return PrintOutcome();
}
