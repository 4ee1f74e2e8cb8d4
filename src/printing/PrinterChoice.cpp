#include "printing/PrinterChoice.h"

#include "platform/ReportPrinter.h"
#include "platform/Services.h"

bool choosePrinter(Services &services, QWidget *parent)
{
    if (!services.printer || !services.printerDialog)
        return false;
    ReportPrinter &printer = *services.printer;
    PrinterSetup current;
    PrinterSetup chosen;
    try {
        current = printer.setup();
        printer.setTrackDefaultPrinter(false);
        if (!services.printerDialog->choose(parent, current, chosen))
            return false;
    } catch (const std::exception &) {
        // A dialog that cannot be shown counts as cancelled.
        return false;
    }

    if (chosen.printsToFile()) {
        printer.useOutputFile(chosen.outputFile);
    } else {
        const QString name = chosen.deviceName.toUpper();
        if (current.printsToFile() || name != current.deviceName.toUpper()) {
            QString match;
            for (const QString &installed : printer.installedPrinters())
                if (installed.toUpper() == name)
                    match = installed;
            if (match.isEmpty())
                return true; // an unknown printer: the report printer stays
            printer.useInstalledPrinter(match);
        }
    }
    printer.usePaper(chosen.pageSize, chosen.copies);
    return true;
}
