#pragma once
// Printing the chart of a chart window: the chart as it is on screen, as a
// vector picture, on one landscape page of the report printer.

#include "printing/PrintOutcome.h"

#include <QPicture>
#include <QString>

class QChart;
class QWidget;
struct Services;

// Holds the chart's picture for the length of one print.
struct PrintGraph {
    QPicture Picture1;
};

// The chart as drawn on screen, recorded as a vector picture of its on-screen
// size with its top-left corner at the origin.
QPicture chartPicture(QChart *chart);

// Where the picture's top-left corner lands on the page, in twips from the
// paper's top-left corner.
inline constexpr double kChartLeftTwips = 2900;
inline constexpr double kChartTopTwips = 3000;

inline QString chartFailedText() { return QStringLiteral("Check Your Printer and Try Again"); }

// The Print button of a chart window: lets the user choose the printer, then
// prints the chart at its natural size on one landscape page, passing the
// picture through the clipboard (which it clears after a successful print).
// The printer is back in portrait afterwards and the working directory as it
// was, whatever happened. Returns Printed, Cancelled, or PrinterFailed with
// chartFailedText(), which the chart window tells with a beep. Nothing of the
// chart window changes.
PrintOutcome PrintChart(Services &services, QWidget *window, QChart *chart);

// Tells the person an outcome of PrintChart as the chart windows do: a failed
// print with a beep and a critical message; nothing otherwise.
void tellChartPrintOutcome(Services &services, QWidget *window, const PrintOutcome &outcome);
