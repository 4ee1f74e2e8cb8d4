#include "reports/Windows.h"

#include "platform/WindowRegistry.h"
#include "reports/StdRptByDate.h"

void registerReportsWindows(WindowRegistry &registry)
{
    registry.addWindow(QStringLiteral("StdRptByDate"), [](Shell &s) { return new StdRptByDate(s); });
}
