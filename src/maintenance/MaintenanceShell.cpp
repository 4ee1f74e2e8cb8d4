#include "maintenance/MaintenanceShell.h"

#include "platform/Shell.h"

void setMainMenuEnabled(Shell &shell, const char *menuName, bool enabled)
{
    shell.setMenuEnabled(QLatin1String(menuName), enabled);
}

void hideStartChoice(Shell &shell) { shell.setWindowVisible(QStringLiteral("BloodMenu"), false); }

void showStartChoiceAfter(Shell &shell, const QString &closingWindow)
{
    for (const char *name : {"Cback", "CompactDbase", "RepairDbase"}) {
        const QString other = QLatin1String(name);
        if (other != closingWindow && shell.window(other))
            return;
    }
    shell.setWindowVisible(QStringLiteral("BloodMenu"), true);
}
