#pragma once
// Runs one user action on the current diary: hands a cursor over table BLOOD
// to the action, on the connection that the shell's diary session keeps while
// the browser shows the diary (opened afresh when there is none, or when the
// file changed since the last action; see DiarySession). An engine or file
// failure ends the action with a message instead of a crash, and closes that
// connection. An action that seeks before it reads may ask for a cursor that
// stands anywhere.

#include "core/Database.h"
#include "core/DiaryPath.h"
#include "core/DiarySession.h"
#include "platform/Shell.h"

#include <QWidget>

// The full path of the current diary.
inline QString currentDiaryPath(const Shell &shell) { return diaryPath(shell.dataFolder(), shell.openDiary().file); }

template <class Action> bool withCurrentDiary(Shell &shell, QWidget *parent, const QString &failure, Action &&action,
                                              Database::Access access = Database::Access::ReadWrite,
                                              DiarySession::Start start = DiarySession::Start::FirstRow)
{
    try {
        DiarySession::Lease diary = shell.diarySession().lease(currentDiaryPath(shell), access, start);
        action(diary.database(), diary.cursor());
        diary.keep();
        return true;
    } catch (const StoreError &e) {
        reportFailure(shell.services(), parent, failure, e.message());
        return false;
    }
}
