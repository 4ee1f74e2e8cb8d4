#include "readings/Windows.h"

#include "platform/WindowRegistry.h"
#include "readings/AddRds.h"
#include "readings/CurrReading.h"
#include "readings/DeleteRds.h"
#include "readings/EditRds.h"
#include "readings/SearchRds.h"

void registerReadingsWindows(WindowRegistry &registry)
{
    registry.addBrowser(QStringLiteral("CurrReading"), [](Shell &s) { return new CurrReading(s); });
    registry.addWindow(QStringLiteral("AddRds"), [](Shell &s) { return new AddRds(s); });
    registry.addWindow(QStringLiteral("EditRds"), [](Shell &s) { return new EditRds(s); });
    registry.addWindow(QStringLiteral("SearchRds"), [](Shell &s) { return new SearchRds(s); });
    registry.addWindow(QStringLiteral("DeleteRds"), [](Shell &s) { return new DeleteRds(s); });
}
