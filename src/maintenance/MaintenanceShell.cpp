#include "maintenance/MaintenanceShell.h"

#include "platform/Shell.h"

#include <QMenu>

void setMainMenuEnabled(Shell &shell, const char *menuName, bool enabled)
{
    // The main frame is the one object that implements the shell.
    if (auto *frame = dynamic_cast<QObject *>(&shell))
        if (auto *menu = frame->findChild<QMenu *>(QLatin1String(menuName)))
            menu->setEnabled(enabled);
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
