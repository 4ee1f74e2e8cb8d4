#pragma once
// The changes a person makes to a diary, each one transaction: the diary
// holds the whole change or, when anything fails on the way (a full disk, a
// lock held by another program, a day that cannot be read), none of it.
// A failure throws StoreError after the change has been undone.
//
// Every operation works through a cursor over the open diary, which it
// leaves anywhere. The windows, the tests and the benchmarks all change a
// diary through these and through nothing else.

#include "core/ReadingDay.h"

#include <QList>
#include <QString>

#include <optional>

class Cursor;

namespace DiaryChanges {

// Stores a new day. When a day is stored under its date already, nothing
// changes and that stored day comes back.
std::optional<ReadingDay> addDay(Cursor &cursor, const ReadingDay &day);

struct DaysAdded {
    qint64 added = 0;               // days stored; a date stored already keeps its day
    std::optional<ReadingDay> last; // the last stored day afterwards, none when the diary is empty
};

// Stores new days, all in one change. A day whose date is stored already is
// left out, and the stored day stays as it is.
DaysAdded addDays(Cursor &cursor, const QList<ReadingDay> &days);

// Replaces the day stored under `oldKey` with `day`, under the same date or
// another one: the old day goes and the new one comes in together. A day
// stored under the new date already (another than `oldKey`) ends the change
// with a StoreError. Returns whether a day was stored under `oldKey`; when
// none was, `day` is stored all the same.
bool replaceDay(Cursor &cursor, const QString &oldKey, const ReadingDay &day);

struct DayDeletion {
    bool deleted = false;           // false: no day was stored under the key; nothing changed
    std::optional<ReadingDay> next; // the day to show after it: the following one, else the one before
};

// Deletes the day stored under `key`.
DayDeletion deleteDay(Cursor &cursor, const QString &key);

struct DeletionBefore {
    bool nothingBefore = false;     // no day lies on or before the bound: nothing changed
    std::optional<ReadingDay> last; // the last day left, none when the diary is empty now
};

// Deletes every day earlier than `boundKey`; the day of the bound itself and
// every later one stay.
DeletionBefore deleteDaysBefore(Cursor &cursor, const QString &boundKey);

} // namespace DiaryChanges
