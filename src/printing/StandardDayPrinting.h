#pragma once
// The printed standard day: one portrait page with the person's name, the
// range, the chart and the table, the estimated A1c and how the figures are
// worked out.

#include "core/StandardDay.h"
#include "core/StandardDaySettings.h"
#include "printing/PrintOutcome.h"

#include <QDate>
#include <QPicture>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>

class QPainter;
class QPrinter;
class QWidget;
class ReportPrinter;
struct Services;

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

// The Print button of the standard-day window: NothingToPrint when the page
// holds no counted reading, else lets the user choose the printer (Cancelled
// when they do not) and prints the page on the report printer, the working
// directory as it was afterwards. A printer that fails ends in PrinterFailed
// and leaves no document.
PrintOutcome PrintStandardDay(Services &services, QWidget *window, const StandardDayPage &page);

// Prints the standard day of the diary file for the range on one portrait page
// of `printer` (a PDF file or a printer), with the unit and target range given,
// or else those remembered for the diary (or guessed from its readings).
// NothingToPrint when the range holds no counted reading; nothing is printed
// then. A diary that cannot be read ends in DiaryFailed, a printer that fails
// in PrinterFailed.
PrintOutcome printStandardDay(QPrinter &printer, const QString &diaryPath, const QString &name, const QDate &start,
                              const QDate &end, const std::optional<StandardDayChoice> &choice = std::nullopt);
