#pragma once
// A diary is its file together with the engine's companions beside it: the
// rollback journal (NAME-journal), the write-ahead log (NAME-wal) and the
// log's index (NAME-shm). A committed change may still live only in the log,
// and an unfinished one only in the journal, so a diary is copied by reading
// it through the engine, never as the bytes of its file alone; and a file put
// in a diary's place never finds an old companion beside it, which the engine
// would take for the new file's own and play into it.

#include <QString>
#include <QStringList>

struct sqlite3;

// The companions of the database file `path` that exist.
QStringList diaryCompanions(const QString &path);

// Removes every companion of `path`. True when none is left.
bool removeDiaryCompanions(const QString &path, QString *error = nullptr);

// Writes what the database at `from` holds, as the engine reads it (its log
// included, a change left unfinished undone), into a new file `to` that needs
// no companion: in rollback-journal mode, flushed to disk. `to` must not
// exist. Throws StoreError; nothing is left at `to` then.
void copyThroughEngine(const QString &from, const QString &to);
// The same from a database the caller holds open.
void copyThroughEngine(sqlite3 *from, const QString &to);

// copyThroughEngine() into a new temporary file beside `target`; returns its
// path, or empty text with `error` filled. `target` itself is not touched.
QString stageThroughEngine(const QString &from, const QString &target, QString *error);

// Has the engine fold a diary's companions into its file: a change left
// unfinished is undone, the log is played into the file and the file set
// back to rollback-journal mode, and a journal the engine treats as finished
// (emptied, or its header zeroed) is removed. Returns false with `error`
// filled when a companion that matters stays: another program is changing
// the diary or holds it open in log mode, or the engine cannot read it.
bool settleDiary(const QString &path, QString *error);

// Puts the finished file `staged` in the place of `target` in one rename,
// after removing the target's companions.
bool replaceDiary(const QString &staged, const QString &target, QString *error);

// A sound diary: it opens as one (the program's mark, table BLOOD, index
// Readings), the engine's integrity check finds nothing wrong and every day
// reads back. Sets `days` to the number of days, or `why` to what is wrong.
bool isSoundDiary(const QString &path, int *days = nullptr, QString *why = nullptr);
