#include "charts/Windows.h"

#include "platform/WindowRegistry.h"

void registerChartsWindows(WindowRegistry &)
{
}
