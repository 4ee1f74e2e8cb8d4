#include "listing/Windows.h"

#include "platform/WindowRegistry.h"

void registerListingWindows(WindowRegistry &)
{
}
