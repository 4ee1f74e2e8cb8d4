#pragma once
// The printed standard day: one portrait page with the person's name, the
// range, the chart and the table, the estimated A1c and how the figures are
// worked out.

#include "core/StandardDay.h"
#include "core/StandardDaySettings.h"

#include <QDate>
#include <QPicture>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;
class QPrinter;
class ReportPrinter;

struct StandardDayPage {
    QString name;     // the person's name
    QDate start, end; // the range, both included
    StandardDayChoice choice;
    StandardDayFigures figures;
};

// Lays the page out on the painter, whose device is the page: `paper` is the
// whole sheet in the painter's coordinates, which are the device's pixels.
void paintStandardDayPage(QPainter &painter, const QRectF &paper, const StandardDayPage &page);

// The page as a picture of a sheet of this size (points), at the picture's
// own resolution.
QPicture standardDayPicture(const StandardDayPage &page, const QSizeF &paperPoints);

// Prints the page on the report printer, upright, as one document. Throws
// PrinterError when the printer fails.
void printStandardDayPage(ReportPrinter &printer, const StandardDayPage &page);

// What printing a diary's standard day came to.
enum class StandardDayPrinted { Printed, NothingToPrint };

// Prints the standard day of the diary file for the range on one portrait page
// of `printer` (a PDF file or a printer), with the unit and target range given,
// or else those remembered for the diary (or guessed from its readings).
// NothingToPrint when the range holds no counted reading ("There are no
// readings to print."); nothing is printed then. Throws StoreError when the
// diary cannot be read and PrinterError when the printer fails.
StandardDayPrinted printStandardDay(QPrinter &printer, const QString &diaryPath, const QString &name,
                                    const QDate &start, const QDate &end,
                                    const std::optional<StandardDayChoice> &choice = std::nullopt);

// What the user is told when the range holds no counted reading.
inline QString nothingToPrintText() { return QStringLiteral("There are no readings to print."); }
