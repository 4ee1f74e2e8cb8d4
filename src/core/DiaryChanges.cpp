#include "core/DiaryChanges.h"

#include "core/Database.h"

#include <QSet>

#include <algorithm>

namespace DiaryChanges {

// Adding and the two deletes first look, without a lock, at whether there
// is anything to change; only then do they open their transaction. A diary
// that may not be written so still answers "that date is stored", "that date
// is no longer stored" or "there is nothing before that date".

std::optional<ReadingDay> addDay(Cursor &cursor, const ReadingDay &day)
{
    // The date is looked for under the write lock: no other program can
    // store it between the look and the insert, and the look costs no lock
    // of its own.
    Database::Transaction change(cursor.database());
    cursor.seek(SeekOp::Equal, day.key);
    if (!cursor.noMatch())
        return cursor.row(); // nothing written: the change is rolled back
    cursor.append(day);
    change.commit();
    return std::nullopt;
}

namespace {

// The dates stored from `first` to `last`, in one walk: cheaper than a seek
// for every day when many are added.
QSet<QString> storedBetween(Cursor &cursor, const QString &first, const QString &last)
{
    QSet<QString> keys;
    cursor.seek(SeekOp::AtLeast, first);
    if (cursor.noMatch())
        return keys;
    for (; !cursor.eof() && cursor.key() <= last; cursor.moveNext())
        keys.insert(cursor.key());
    return keys;
}

} // namespace

DaysAdded addDays(Cursor &cursor, const QList<ReadingDay> &days)
{
    DaysAdded done;
    if (!days.isEmpty()) {
        const auto [low, high] = std::minmax_element(
            days.begin(), days.end(), [](const ReadingDay &a, const ReadingDay &b) { return a.key < b.key; });
        const auto anyNew = [&](const QSet<QString> &stored) {
            return std::any_of(days.begin(), days.end(), [&](const ReadingDay &d) { return !stored.contains(d.key); });
        };
        // The dates are looked at again under the lock.
        if (anyNew(storedBetween(cursor, low->key, high->key))) {
            Database::Transaction change(cursor.database());
            QSet<QString> stored = storedBetween(cursor, low->key, high->key);
            for (const ReadingDay &day : days) {
                if (stored.contains(day.key))
                    continue;
                cursor.append(day);
                stored.insert(day.key);
                ++done.added;
            }
            Cursor last(cursor.database());
            last.moveLast();
            done.last = last.row();
            change.commit();
            return done;
        }
    }
    Cursor last(cursor.database());
    if (!last.eof()) {
        last.moveLast();
        done.last = last.row();
    }
    return done;
}

bool replaceDay(Cursor &cursor, const QString &oldKey, const ReadingDay &day)
{
    Database::Transaction change(cursor.database());
    bool stored;
    if (oldKey == day.key) {
        // The same date: its readings are replaced in place.
        stored = cursor.update(day);
        if (!stored)
            cursor.append(day);
    } else {
        cursor.seek(SeekOp::Equal, oldKey);
        stored = !cursor.noMatch();
        if (stored)
            cursor.remove();
        cursor.append(day);
    }
    change.commit();
    return stored;
}

DayDeletion deleteDay(Cursor &cursor, const QString &key)
{
    cursor.seek(SeekOp::Equal, key);
    if (cursor.noMatch())
        return {};
    // The neighbour is read inside the change: should it be unreadable, the
    // day stays.
    Database::Transaction change(cursor.database());
    DayDeletion done{true, std::nullopt};
    cursor.remove();
    cursor.moveNext();
    if (!cursor.eof()) {
        done.next = cursor.row();
    } else {
        cursor.movePrevious();
        if (!cursor.bof())
            done.next = cursor.row();
    }
    change.commit();
    return done;
}

DeletionBefore deleteDaysBefore(Cursor &cursor, const QString &boundKey)
{
    // One DELETE of every key below the bound: keys compare as text, which
    // for "yyyy-MM-dd" is calendar order. The engine sorts a date stored as
    // bytes after every text, so the DELETE passes over it even when its
    // text lies before the bound; such a date then stands last, and the
    // diary is called damaged (as a walk over it would find) with nothing
    // deleted.
    Database &db = cursor.database();
    Cursor walk(db); // stands on the first date
    if (walk.eof() || walk.key() > boundKey)
        return DeletionBefore{true, std::nullopt};
    Database::Transaction change(db);
    DeletionBefore done;
    walk.removeBefore(boundKey);
    walk.movePrevious(); // the last row left, if any
    if (!walk.bof()) {
        if (!walk.keyIsText() && walk.key() < boundKey)
            throw StoreError(StoreError::Kind::NotADiary, QStringLiteral("The dates of the diary are out of order."));
        done.last = walk.row();
    }
    change.commit();
    return done;
}

} // namespace DiaryChanges
