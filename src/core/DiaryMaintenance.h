#pragma once
// Compacting and repairing a whole diary file of the data folder. Both work on
// copies beside the diary and put the result in its place by one rename, so
// the diary on disk is always either the old file or the finished new one.

#include <QString>

// The compacted copy, made in the data folder during a compaction.
inline constexpr const char *kCompactionFile = "PARTSNEW.MDB";

// What went wrong, in the user's words, and the engine's or file system's own.
struct MaintenanceFailure {
    QString what;
    QString detail;
};

// Compacts the diary `fileName` of the data folder: removes a PARTSNEW.MDB left
// by an earlier attempt, has the engine write the compacted copy into
// PARTSNEW.MDB (VACUUM INTO), and renames that over the diary. Returns false
// and fills `failure` when the file is not a diary or a step fails; the diary
// is then as it was and no PARTSNEW.MDB of this attempt is left behind.
bool compactDiary(const QString &dataFolder, const QString &fileName, MaintenanceFailure *failure);

struct RepairResult {
    enum class Outcome {
        Sound,    // nothing needed repairing; at most its journal or log was folded in
        Rebuilt,  // the engine rebuilt the indexes; every day kept
        Salvaged, // every readable day was copied into a new, sound diary
        Failed    // nothing changed, nothing left behind; see `failure`
    };
    Outcome outcome = Outcome::Failed;
    int daysKept = 0;
    int daysDropped = 0; // unreadable days and second days of one date
    QString damagedCopy; // the file name under which the damaged file is kept
    MaintenanceFailure failure;
};

// Repairs the diary `fileName` of the data folder. A file that is not a diary
// of this program is left alone. A damaged diary is first kept as
// "<name>.damaged"; then the engine rebuilds its indexes, or, when that is not
// enough, every readable day is copied into a new diary. The result replaces
// the file in one step. When it cannot, the kept copy is removed again: a
// failed repair leaves the folder as it found it.
RepairResult repairDiary(const QString &dataFolder, const QString &fileName);
