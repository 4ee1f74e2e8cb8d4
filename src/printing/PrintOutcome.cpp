#include "printing/PrintOutcome.h"

#include "platform/Services.h"

void tellPrintOutcome(Services &services, QWidget *parent, const PrintOutcome &outcome)
{
    switch (outcome.kind) {
    case PrintOutcome::Kind::Printed:
    case PrintOutcome::Kind::Cancelled: return;
    case PrintOutcome::Kind::NothingToPrint:
    case PrintOutcome::Kind::PrinterFailed: services.messages->show(parent, outcome.text); return;
    case PrintOutcome::Kind::DiaryFailed: reportFailure(services, parent, outcome.text, outcome.detail); return;
    }
}
