#pragma once
// The printer choice that comes before every report and chart print.

class QWidget;
struct Services;

// Shows the printer set-up dialog over `parent`, preset to the report
// printer. The report printer stops following the system's default printer.
// When the user confirms, the chosen printer becomes the report printer: a PDF
// file as named, or the installed printer whose device name equals the chosen
// name without regard to case (the last one, should several match); when none
// matches the report printer stays as it was. Returns false when the user
// cancelled or the dialog could not be shown.
bool choosePrinter(Services &services, QWidget *parent);
