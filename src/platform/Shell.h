#pragma once
// The one narrow way in which windows reach the rest of the program. The main
// window implements it; tests may drive the real main window through it.

#include "platform/Services.h"

#include <QString>

class QWidget;
class CurrReading;
class ChildWindow;

class Shell {
public:
    virtual ~Shell() = default;

    virtual Services &services() = 0;

    // The folder that holds every diary, BACKUP.CFG and the compaction file.
    virtual QString dataFolder() const = 0;

    // The bare file name chosen in the open-database window, or empty when no
    // diary is open.
    virtual QString currentDatabase() const = 0;

    // The browser, while a diary is open.
    virtual CurrReading *browser() const = 0;

    // Switches the menus between the states "no database open" and
    // "database open".
    virtual void setDatabaseMenus(bool databaseOpen) = 0;

    // Enables or disables a whole top-level menu ("mniFile", "mnuUtilities",
    // "mnuGraphs").
    virtual void setMenuEnabled(const QString &menuName, bool enabled) = 0;

    // The main frame, as the parent of messages that belong to no window.
    virtual QWidget *frameWidget() = 0;

    // Opens a window by its name; opening one that is open does nothing and
    // returns it. Returns null when its loading step declined to show it.
    virtual ChildWindow *openWindow(const QString &name) = 0;
    // The open window of that name, or null.
    virtual ChildWindow *window(const QString &name) const = 0;
    // Discards the window of that name, running its closing step.
    virtual void closeWindow(const QString &name) = 0;
    // Shows or hides an open window without discarding it.
    virtual void setWindowVisible(const QString &name, bool visible) = 0;
    // Enables or disables an open window for input.
    virtual void setWindowEnabled(const QString &name, bool enabled) = 0;

    // Ends the program at once, without the closing steps of open windows.
    virtual void exitProgram() = 0;
};
