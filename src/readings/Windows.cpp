#include "readings/Windows.h"

#include "platform/WindowRegistry.h"
#include "readings/CurrReading.h"

void registerReadingsWindows(WindowRegistry &registry)
{
    registry.addWindow(QStringLiteral("CurrReading"), [](Shell &s) { return new CurrReading(s); });
}
