#include "opening/Windows.h"

#include "opening/MakeDatabase.h"
#include "opening/SelectDbase.h"
#include "platform/WindowRegistry.h"

void registerOpeningWindows(WindowRegistry &registry)
{
    registry.addWindow(QStringLiteral("MakeDatabase"), [](Shell &s) { return new MakeDatabase(s); });
    registry.addWindow(QStringLiteral("SelectDbase"), [](Shell &s) { return new SelectDbase(s); });
}
