#pragma once
// What a print came to. The printing routines say what happened and show
// nothing; the window or the command line tells the person.

#include <QString>

class QWidget;
struct Services;

struct PrintOutcome {
    enum class Kind {
        Printed,
        Cancelled,      // the person cancelled the printer choice
        NothingToPrint, // the range holds nothing to print; `text` says why
        PrinterFailed,  // the printer failed; nothing was printed; `text` for the person
        DiaryFailed     // the diary could not be read: `text` for the person, `detail` the engine's words
    };
    Kind kind = Kind::Printed;
    QString text;
    QString detail;

    bool printed() const { return kind == Kind::Printed; }
};

// What the user is told when a report or the standard day could not be
// printed.
inline QString printerFailedText() { return QStringLiteral("Check your printer and try again."); }

// Tells the person an outcome as the report windows do: why nothing was
// printed or that the printer failed in a plain message, a failed diary as a
// failure with the engine's words. Nothing for a print done or cancelled.
void tellPrintOutcome(Services &services, QWidget *parent, const PrintOutcome &outcome);
