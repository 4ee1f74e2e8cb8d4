#include "maintenance/Windows.h"

#include "platform/WindowRegistry.h"

void registerMaintenanceWindows(WindowRegistry &)
{
}
