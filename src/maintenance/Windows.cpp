#include "maintenance/Windows.h"

#include "maintenance/BackupData.h"
#include "maintenance/Brow.h"
#include "maintenance/Cback.h"
#include "maintenance/DiaryListWindows.h"
#include "maintenance/ImportReadings.h"
#include "platform/WindowRegistry.h"

void registerMaintenanceWindows(WindowRegistry &registry)
{
    registry.addWindow(QStringLiteral("Cback"), [](Shell &s) { return new Cback(s); });
    registry.addWindow(QStringLiteral("Brow"), [](Shell &s) { return new Brow(s); });
    registry.addWindow(QStringLiteral("RestBackup"), [](Shell &s) { return new RestBackup(s); });
    registry.addWindow(QStringLiteral("CompactDbase"), [](Shell &s) { return new CompactDbase(s); });
    registry.addWindow(QStringLiteral("RepairDbase"), [](Shell &s) { return new RepairDbase(s); });
    registry.addWindow(QStringLiteral("ImportReadings"), [](Shell &s) { return new ImportReadings(s); });
    registry.addAction(QStringLiteral("BackupData"), [](Shell &s) { BackupData(s); });
}
