#include "listing/Windows.h"

#include "listing/Display.h"
#include "platform/WindowRegistry.h"

void registerListingWindows(WindowRegistry &registry)
{
    registry.addWindow(QStringLiteral("Display"), [](Shell &s) { return new listing::Display(s); });
}
