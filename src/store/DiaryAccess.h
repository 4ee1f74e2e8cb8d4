#pragma once
// Runs one user action on the current diary: opens it, hands a cursor over
// table BLOOD to the action, and closes both when the action ends. An engine
// or file failure ends the action with a message instead of a crash.

#include "platform/Shell.h"
#include "core/Database.h"
#include "core/DiaryPath.h"

#include <QWidget>

// The full path of the current diary.
inline QString currentDiaryPath(const Shell &shell) { return diaryPath(shell.dataFolder(), shell.openDiary().file); }

template <class Action>
bool withCurrentDiary(Shell &shell, QWidget *parent, const QString &failure, Action &&action,
                      Database::Access access = Database::Access::ReadWrite)
{
    try {
        Database db = Database::open(currentDiaryPath(shell), access);
        Cursor cursor(db);
        action(db, cursor);
        return true;
    } catch (const StoreError &e) {
        reportFailure(shell.services(), parent, failure, e.message());
        return false;
    }
}
