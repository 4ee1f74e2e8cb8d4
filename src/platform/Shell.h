#pragma once
// The one narrow way in which windows reach the rest of the program. The main
// window implements it; tests may drive the real main window through it.

#include "core/ReadingDay.h"
#include "platform/Hold.h"
#include "platform/Services.h"

#include <QString>

class QWidget;
class ChildWindow;
class DiarySession;

// The diary open in the browser: its bare file name in the data folder and
// the person's name shown for it. Both empty while no diary is open.
struct OpenDiary {
    QString file;
    QString name;
    bool isOpen() const { return !file.isEmpty(); }
};

// The day the browser shows, as the windows that read or change it see it.
class ShownDay {
public:
    virtual ~ShownDay() = default;
    virtual bool showsDate() const = 0;
    virtual QString shownKey() const = 0;  // "yyyy-MM-dd"
    virtual QString shownDate() const = 0; // the date as shown
    virtual ReadingDay shownDay() const = 0;
    virtual void showDay(const ReadingDay &day) = 0;
    virtual void clearDay() = 0;
};

class Shell {
public:
    virtual ~Shell() = default;

    virtual Services &services() = 0;

    // The folder that holds every diary, BACKUP.CFG and the compaction file.
    virtual QString dataFolder() const = 0;

    // The diary open now. The open-database window sets it when the user
    // chooses a diary; the browser clears it when it closes.
    virtual const OpenDiary &openDiary() const = 0;
    virtual void setOpenDiary(const OpenDiary &diary) = 0;

    // The owner of the connection kept to the open diary between actions
    // (see DiaryAccess.h). The shell lets go of it when the open diary
    // changes; a window lets go of it through here before it hands the file
    // to a whole-file operation (backup, restore, compaction, repair).
    virtual DiarySession &diarySession() = 0;

    // The browser, while a diary is open.
    virtual ShownDay *browser() const = 0;
    // The browser while it shows a date, else null: what a window that works
    // on the shown day opens on.
    ShownDay *browserShowingADate() const
    {
        ShownDay *b = browser();
        return b && b->showsDate() ? b : nullptr;
    }
    // Opens the browser on the open diary; null when its loading step failed.
    virtual ShownDay *openBrowser() = 0;

    // Switches the menus between the states "no database open" and
    // "database open".
    virtual void setDatabaseMenus(bool databaseOpen) = 0;

    // Counts a hold taken (or let go) on a part of the frame and disables,
    // hides or gives back that part. Only Hold calls it.
    virtual void countHold(Held what, bool taken) = 0;

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
