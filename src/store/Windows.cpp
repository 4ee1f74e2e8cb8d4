#include "store/Windows.h"

#include "platform/WindowRegistry.h"
#include "store/MakeDatabase.h"
#include "store/SelectDbase.h"

void registerStoreWindows(WindowRegistry &registry)
{
    registry.addWindow(QStringLiteral("MakeDatabase"), [](Shell &s) { return new MakeDatabase(s); });
    registry.addWindow(QStringLiteral("SelectDbase"), [](Shell &s) { return new SelectDbase(s); });
}
