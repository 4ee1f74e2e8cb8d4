#include "core/DiaryCopy.h"

#include "core/Database.h"
#include "core/FileOps.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

const char *const kCompanionSuffixes[] = {"-journal", "-wal", "-shm"};

QString engineText(sqlite3 *db) { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory"); }

sqlite3 *openRaw(const QString &path, int flags)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString text = engineText(db);
        sqlite3_close(db);
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("The file could not be opened: ") + text);
    }
    sqlite3_busy_timeout(db, 2000);
    return db;
}

struct Handle {
    sqlite3 *db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

// The first value of a one-row statement as text; empty when it fails.
QByteArray firstValue(sqlite3 *db, const char *sql, int *rc)
{
    sqlite3_stmt *st = nullptr;
    QByteArray value;
    *rc = sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (*rc == SQLITE_OK) {
        *rc = sqlite3_step(st);
        if (*rc == SQLITE_ROW) {
            const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
            value = t ? QByteArray(t) : QByteArray();
            *rc = SQLITE_OK;
        } else if (*rc == SQLITE_DONE) {
            *rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(st);
    return value;
}

// Whether the journal beside a file is one the engine treats as finished: an
// empty file, or one whose header was zeroed when its change ended.
bool journalIsFinished(const QString &journal)
{
    QFile f(journal);
    if (!f.open(QIODevice::ReadOnly))
        return !f.exists();
    const QByteArray head = f.read(1);
    return head.isEmpty() || head[0] == '\0';
}

} // namespace

QStringList diaryCompanions(const QString &path)
{
    QStringList found;
    for (const char *suffix : kCompanionSuffixes) {
        const QString companion = path + QLatin1String(suffix);
        const QFileInfo info(companion);
        if (info.exists() || info.isSymLink())
            found << companion;
    }
    return found;
}

bool removeDiaryCompanions(const QString &path, QString *error)
{
    bool ok = true;
    for (const QString &companion : diaryCompanions(path)) {
        QFile f(companion);
        if (!f.remove()) {
            ok = false;
            if (error)
                *error = QStringLiteral("%1: %2").arg(QFileInfo(companion).fileName(), f.errorString());
        }
    }
    if (ok)
        fileops::syncPath(QFileInfo(path).absolutePath());
    return ok;
}

void copyThroughEngine(sqlite3 *from, const QString &to)
{
    const QFileInfo target(to);
    if (target.exists() || target.isSymLink())
        throw StoreError(StoreError::Kind::Exists, QStringLiteral("The copy's name is taken."));
    const auto dropCopy = [&to] {
        QFile::remove(to);
        removeDiaryCompanions(to);
    };
    try {
        {
            Handle dst{openRaw(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)};
            sqlite3_backup *backup = sqlite3_backup_init(dst.db, "main", from, "main");
            if (!backup)
                throw StoreError(StoreError::Kind::Failed,
                                 QStringLiteral("The copy could not be begun: ") + engineText(dst.db));
            const int rc = sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
            if (rc != SQLITE_DONE) {
                const QString why = rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT ? engineText(from) : engineText(dst.db);
                throw StoreError(rc == SQLITE_NOTADB || rc == SQLITE_CORRUPT ? StoreError::Kind::NotADiary
                                                                             : StoreError::Kind::Failed,
                                 QStringLiteral("The diary could not be copied: ") +
                                     (why.isEmpty() ? engineText(from) : why));
            }
        }
        // The copy carries the source's mark of log mode, if it had one; a
        // fresh handle reads that mark and can set the copy back to a file
        // that stands on its own.
        {
            Handle dst{openRaw(to, SQLITE_OPEN_READWRITE)};
            int rc = SQLITE_OK;
            const QByteArray mode = firstValue(dst.db, "PRAGMA journal_mode = DELETE", &rc);
            if (rc != SQLITE_OK || mode != "delete")
                throw StoreError(StoreError::Kind::Failed,
                                 QStringLiteral("The copy could not be finished: ") + engineText(dst.db));
        }
        QString error;
        if (!removeDiaryCompanions(to, &error))
            throw StoreError(StoreError::Kind::Failed, error);
        if (!fileops::syncPath(to))
            throw StoreError(StoreError::Kind::Failed, QStringLiteral("The copy could not be written to the disk."));
    } catch (...) {
        dropCopy();
        throw;
    }
}

void copyThroughEngine(const QString &from, const QString &to)
{
    if (!QFileInfo(from).isFile())
        throw StoreError(StoreError::Kind::Missing,
                         QStringLiteral("\"%1\" is not there.").arg(QFileInfo(from).fileName()));
    // Read only, so that the source is not changed; a change a program left
    // unfinished in it is undone only through a handle that may write.
    Handle src{openRaw(from, SQLITE_OPEN_READONLY)};
    sqlite3_extended_result_codes(src.db, 1);
    int rc = SQLITE_OK;
    firstValue(src.db, "SELECT count(*) FROM sqlite_schema", &rc);
    if (rc == SQLITE_READONLY_ROLLBACK) {
        sqlite3_close_v2(src.db);
        src.db = nullptr;
        src.db = openRaw(from, SQLITE_OPEN_READWRITE);
        firstValue(src.db, "SELECT count(*) FROM sqlite_schema", &rc);
    }
    if (rc != SQLITE_OK)
        throw StoreError((rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT ? StoreError::Kind::NotADiary
                                                                                       : StoreError::Kind::Failed,
                         QStringLiteral("The diary could not be read: ") + engineText(src.db));
    copyThroughEngine(src.db, to);
}

QString stageThroughEngine(const QString &from, const QString &target, QString *error)
{
    const QString staged = fileops::tempPathBeside(target);
    try {
        copyThroughEngine(from, staged);
    } catch (const StoreError &e) {
        if (error)
            *error = e.message();
        return {};
    }
    return staged;
}

bool settleDiary(const QString &path, QString *error)
{
    if (diaryCompanions(path).isEmpty())
        return true;
    const auto failed = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    try {
        Handle db{openRaw(path, SQLITE_OPEN_READWRITE)};
        int rc = SQLITE_OK;
        // Reading through a handle that may write undoes an unfinished change
        // and recovers the log.
        firstValue(db.db, "PRAGMA schema_version", &rc);
        if (rc != SQLITE_OK)
            return failed(QStringLiteral("The diary could not be read: ") + engineText(db.db));
        // Back to rollback-journal mode: the engine plays the log into the
        // file and removes it. It cannot while another program holds the
        // diary open in log mode.
        const QByteArray mode = firstValue(db.db, "PRAGMA journal_mode = DELETE", &rc);
        if (rc != SQLITE_OK || mode != "delete")
            return failed(QStringLiteral("Another program holds the diary open."));
        const QString journal = path + QStringLiteral("-journal");
        if (QFileInfo::exists(journal)) {
            // Still there after the engine read the file: a journal it treats
            // as finished, or another program's change that is running now.
            // Holding the write lock tells the two apart.
            if (!journalIsFinished(journal))
                return failed(QStringLiteral("A change left unfinished in the diary could not be undone."));
            if (sqlite3_exec(db.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
                return failed(QStringLiteral("Another program is changing the diary."));
            const bool removed = QFile::remove(journal) || !QFileInfo::exists(journal);
            sqlite3_exec(db.db, "ROLLBACK", nullptr, nullptr, nullptr);
            if (!removed)
                return failed(QStringLiteral("The diary's finished journal could not be removed."));
        }
    } catch (const StoreError &e) {
        return failed(e.message());
    }
    // A log index without its log holds nothing.
    if (!QFileInfo::exists(path + QStringLiteral("-wal")))
        QFile::remove(path + QStringLiteral("-shm"));
    const QStringList left = diaryCompanions(path);
    if (!left.isEmpty())
        return failed(QStringLiteral("\"%1\" is still beside the diary.").arg(QFileInfo(left.first()).fileName()));
    return true;
}

bool replaceDiary(const QString &staged, const QString &target, QString *error)
{
    if (!removeDiaryCompanions(target, error))
        return false;
    return fileops::replace(staged, target, error);
}

bool isSoundDiary(const QString &path, int *days, QString *why)
{
    try {
        Database db = Database::open(path, Database::Access::ReadOnly);
        int rc = SQLITE_OK;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db.handle(), "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK)
            throw StoreError(StoreError::Kind::Failed, engineText(db.handle()));
        QStringList report;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW)
            report << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        if (report != QStringList{QStringLiteral("ok")})
            throw StoreError(StoreError::Kind::NotADiary,
                             QStringLiteral("The engine finds the diary damaged: ") +
                                 report.join(QStringLiteral("; ")));
        Cursor c(db);
        int count = 0;
        if (!c.eof())
            for (c.moveFirst(); !c.eof(); c.moveNext()) {
                c.row();
                ++count;
            }
        if (days)
            *days = count;
        return true;
    } catch (const StoreError &e) {
        if (why)
            *why = e.message();
        return false;
    }
}
