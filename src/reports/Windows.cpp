#include "reports/Windows.h"

#include "platform/WindowRegistry.h"

void registerReportsWindows(WindowRegistry &)
{
}
