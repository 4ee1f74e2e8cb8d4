#include "core/DiaryMaintenance.h"

#include "core/Database.h"
#include "core/DiaryCopy.h"
#include "core/DiaryPath.h"
#include "core/FaultPoints.h"
#include "core/FileOps.h"
#include "core/Salvage.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cstring>
#include <sqlite3.h>

namespace {

MaintenanceFailure failure(const QString &what, const QString &detail = {}) { return {what, detail}; }

// Removes a file and the engine's journals beside it, if any.
void removeWithJournals(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

// Flushes a finished file and gives it the permissions of the file it replaces.
bool prepareForPlace(const QString &file, const QString &replaced)
{
    QFile::setPermissions(file, QFile::permissions(replaced));
    return fileops::syncPath(file);
}

// Whether the file's header marks it as a database of this program.
bool hasDiaryHeader(const QString &path, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        *error = f.errorString();
        return false;
    }
    const QByteArray head = f.read(100);
    if (head.size() < 100 || std::memcmp(head.constData(), "SQLite format 3", 16) != 0)
        return false;
    const auto byte = [&head](int at) { return quint32(static_cast<unsigned char>(head[at])); };
    const quint32 id = (byte(68) << 24) | (byte(69) << 16) | (byte(70) << 8) | byte(71);
    return id == quint32(kDiaryApplicationId);
}

// Keeps a copy of the damaged file under a name no other file has:
// "<name>.damaged", or "<name>.damaged2" and on when that is taken.
QString keepDamagedCopy(const QString &folder, const QString &fileName, QString *error)
{
    const QString source = diaryPath(folder, fileName);
    for (int i = 1; i < 1000; ++i) {
        const QString name = fileName + QStringLiteral(".damaged") + (i == 1 ? QString() : QString::number(i));
        const QString target = diaryPath(folder, name);
        if (QFileInfo::exists(target))
            continue;
        const QString staged = fileops::stageCopy(source, target, error);
        if (staged.isEmpty())
            return {};
        if (fileops::publishNew(staged, target, error))
            return name;
        QFile::remove(staged);
        if (!QFileInfo::exists(target))
            return {};
    }
    *error = QStringLiteral("Too many damaged copies are kept already.");
    return {};
}

// After a repair that did not replace the diary: the copy of the damaged
// file kept for it is the diary's twin and goes, so that nothing is left
// behind. Returns the sentence that says what is on disk now.
QString unchangedDroppingCopy(const QString &folder, QString *damagedCopy)
{
    const QString name = *damagedCopy;
    if (name.isEmpty() || QFile::remove(diaryPath(folder, name))) {
        damagedCopy->clear();
        return QStringLiteral("The file is as it was.");
    }
    return QStringLiteral("The file is as it was; a copy of it is left as \"%1\".").arg(name);
}

// Has the engine rebuild every index of the file.
void reindex(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK)
        sqlite3_exec(db, "REINDEX", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Copies the salvaged days into a new diary at `path`, one day per date.
void writeSalvage(const QString &path, const SalvagedDays &salvage, int *kept, int *dropped)
{
    Database::create(path);
    Database db = Database::open(path);
    Database::Transaction t(db);
    Cursor c(db);
    QSet<QString> dates;
    *kept = 0;
    *dropped = salvage.unreadable;
    for (const FoundDay &f : salvage.days) {
        if (dates.contains(f.day.key)) {
            ++*dropped;
            continue;
        }
        dates.insert(f.day.key);
        c.append(f.day);
        ++*kept;
    }
    t.commit();
}

} // namespace

bool compactDiary(const QString &dataFolder, const QString &fileName, MaintenanceFailure *fail)
{
    const QString diary = diaryPath(dataFolder, fileName);
    const QString compacted = diaryPath(dataFolder, QLatin1String(kCompactionFile));

    if (QFileInfo::exists(compacted) || QFileInfo(compacted).isSymLink()) {
        QFile old(compacted);
        if (!old.remove()) {
            *fail = failure(QStringLiteral("The file PARTSNEW.MDB left by an earlier compaction could not be removed, "
                                           "so \"%1\" was not compacted. The file is as it was.")
                                .arg(fileName),
                            old.errorString());
            return false;
        }
    }
    // Journals of an earlier attempt would be taken for the new file's own.
    removeWithJournals(compacted);

    // The diary's journal and log are folded into its file first: the
    // compacted copy takes the diary's place alone, and nothing may be left
    // beside it that belonged to the old file.
    QString settleError;
    if (!settleDiary(diary, &settleError)) {
        *fail = failure(QStringLiteral("\"%1\" could not be compacted now: another program is using it, or a change "
                                       "left unfinished in it could not be undone. The file is as it was.")
                            .arg(fileName),
                        settleError);
        return false;
    }

    try {
        Database db = Database::open(diary, Database::Access::ReadOnly);
        sqlite3_stmt *st = nullptr;
        const QByteArray target = QFile::encodeName(compacted);
        int rc = sqlite3_prepare_v2(db.handle(), "VACUUM INTO ?1", -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_bind_text(st, 1, target.constData(), int(target.size()), SQLITE_STATIC);
            rc = sqlite3_step(st);
        }
        const QString engine = QString::fromUtf8(sqlite3_errmsg(db.handle()));
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE && rc != SQLITE_OK)
            throw StoreError(StoreError::Kind::Failed, engine);
    } catch (const StoreError &e) {
        removeWithJournals(compacted);
        if (e.kind() == StoreError::Kind::NotADiary)
            *fail = failure(QStringLiteral("\"%1\" was not compacted because it is not a sound diary of this program. "
                                           "The file is as it was.")
                                .arg(fileName),
                            e.message());
        else
            *fail = failure(QStringLiteral("\"%1\" could not be compacted. The file is as it was.").arg(fileName),
                            e.message());
        return false;
    }

    int days = 0;
    QString error;
    if (!isSoundDiary(compacted, &days)) {
        error = QStringLiteral("The compacted copy does not read back as a sound diary.");
    } else if (!prepareForPlace(compacted, diary)) {
        error = QStringLiteral("The compacted copy could not be written to the disk.");
    } else if (faultpoints::fails("compact.replace") || !replaceDiary(compacted, diary, &error)) {
        if (error.isEmpty())
            error = QStringLiteral("The compacted copy could not be put in place.");
    } else {
        return true;
    }
    removeWithJournals(compacted);
    *fail = failure(QStringLiteral("\"%1\" could not be compacted. The file is as it was.").arg(fileName), error);
    return false;
}

RepairResult repairDiary(const QString &dataFolder, const QString &fileName)
{
    RepairResult r;
    const QString diary = diaryPath(dataFolder, fileName);
    const QString unchanged = QStringLiteral("The file is as it was.");

    QString error;
    if (!hasDiaryHeader(diary, &error)) {
        r.failure = error.isEmpty()
            ? failure(
                  QStringLiteral("\"%1\" was not repaired because it is not a diary of this program. ").arg(fileName) +
                  unchanged)
            : failure(QStringLiteral("\"%1\" could not be read. ").arg(fileName) + unchanged, error);
        return r;
    }

    // The diary's journal and log are folded into its file first: a change
    // left unfinished is undone, the log is played in, and a journal the
    // engine treats as finished goes. Copied without them, the diary would
    // look damaged where it is not, or lose days that live in the log.
    if (!settleDiary(diary, &error)) {
        r.failure = failure(QStringLiteral("\"%1\" could not be repaired now: another program is changing it, "
                                           "or a change left unfinished in it could not be undone. ")
                                    .arg(fileName) +
                                unchanged,
                            error);
        return r;
    }

    // Everything is tried on a working copy; the diary is not touched until
    // its replacement is complete.
    const QString work = fileops::stageCopy(diary, diary, &error);
    if (work.isEmpty()) {
        r.failure = failure(
            QStringLiteral("\"%1\" could not be repaired: no working copy of it could be made. ").arg(fileName) +
                unchanged,
            error);
        return r;
    }
    if (isSoundDiary(work, &r.daysKept)) {
        removeWithJournals(work);
        r.outcome = RepairResult::Outcome::Sound;
        return r;
    }

    r.damagedCopy = keepDamagedCopy(dataFolder, fileName, &error);
    if (r.damagedCopy.isEmpty()) {
        removeWithJournals(work);
        r.failure =
            failure(QStringLiteral("\"%1\" was not repaired because no copy of the damaged file could be kept. ")
                            .arg(fileName) +
                        unchanged,
                    error);
        return r;
    }

    QString result;
    reindex(work);
    if (isSoundDiary(work, &r.daysKept)) {
        r.outcome = RepairResult::Outcome::Rebuilt;
        result = work;
    } else {
        const SalvagedDays salvage = salvageDays(work);
        removeWithJournals(work);
        const QString fresh = fileops::tempPathBeside(diary);
        try {
            if (faultpoints::fails("repair.salvage"))
                throw StoreError(StoreError::Kind::Failed, QStringLiteral("The new diary could not be written."));
            writeSalvage(fresh, salvage, &r.daysKept, &r.daysDropped);
        } catch (const StoreError &e) {
            removeWithJournals(fresh);
            r.failure = failure(QStringLiteral("\"%1\" could not be repaired. ").arg(fileName) +
                                    unchangedDroppingCopy(dataFolder, &r.damagedCopy),
                                e.message());
            return r;
        }
        r.outcome = RepairResult::Outcome::Salvaged;
        result = fresh;
    }

    int days = 0;
    if (!isSoundDiary(result, &days))
        error = QStringLiteral("The repaired copy does not read back as a sound diary.");
    else if (!prepareForPlace(result, diary))
        error = QStringLiteral("The repaired copy could not be written to the disk.");
    else if (faultpoints::fails("repair.replace") || !replaceDiary(result, diary, &error)) {
        if (error.isEmpty())
            error = QStringLiteral("The repaired copy could not be put in place.");
    } else {
        return r;
    }
    removeWithJournals(result);
    r.outcome = RepairResult::Outcome::Failed;
    r.failure = failure(QStringLiteral("\"%1\" could not be repaired. ").arg(fileName) +
                            unchangedDroppingCopy(dataFolder, &r.damagedCopy),
                        error);
    return r;
}
