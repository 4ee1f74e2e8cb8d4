#include "core/Database.h"

#include "core/DiaryCopy.h"
#include "core/FileOps.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <sqlite3.h>

namespace {

const char *const kColumns = "Bdate, Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night";

QString engineText(sqlite3 *db) { return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory"); }

[[noreturn]] void fail(sqlite3 *db, const QString &what)
{
    const int code = db ? sqlite3_errcode(db) : SQLITE_NOMEM;
    const StoreError::Kind kind =
        (code == SQLITE_NOTADB || code == SQLITE_CORRUPT) ? StoreError::Kind::NotADiary : StoreError::Kind::Failed;
    throw StoreError(kind, what + QStringLiteral(": ") + engineText(db));
}

[[noreturn]] void notADiary(const QString &why) { throw StoreError(StoreError::Kind::NotADiary, why); }

// The schema of a diary: its mark, nine text fields and the index on the key.
// One statement reads all three, since compiling a statement costs more than
// running it, and every diary opened (the browser's once, the reports and
// maintenance each time) is checked.
void checkSchema(sqlite3 *db)
{
    static const char *const sql =
        "SELECT (SELECT application_id FROM pragma_application_id),"
        " (SELECT group_concat(name, ', ') FROM (SELECT name FROM pragma_table_info('BLOOD') ORDER BY cid)),"
        " (SELECT group_concat(name, ', ') FROM pragma_index_info('Readings') WHERE"
        "  (SELECT tbl_name FROM sqlite_schema WHERE type = 'index' AND name = 'Readings') = 'BLOOD')";
    sqlite3_stmt *raw = nullptr;
    const int prepared = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> st(raw, sqlite3_finalize);
    // The engine's error is read before the statement is finalized.
    if (prepared != SQLITE_OK || sqlite3_step(st.get()) != SQLITE_ROW)
        fail(db, QStringLiteral("The diary could not be read"));
    const auto text = [&st](int column) {
        const auto *t = reinterpret_cast<const char *>(sqlite3_column_text(st.get(), column));
        return QByteArray(t ? t : "");
    };
    const int id = sqlite3_column_int(st.get(), 0);
    const QByteArray columns = text(1);
    const QByteArray indexed = text(2);

    if (id != kDiaryApplicationId)
        notADiary(QStringLiteral("The file is not a diary of this program."));
    if (columns != kColumns)
        notADiary(QStringLiteral("The diary has no sound table BLOOD."));
    if (indexed != "Bdate")
        notADiary(QStringLiteral("The diary has no index Readings."));
}

sqlite3 *openHandle(const QString &path, int flags)
{
    sqlite3 *db = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = engineText(db);
        sqlite3_close(db);
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("The diary could not be opened: ") + text);
    }
    sqlite3_extended_result_codes(db, 0);
    // Another program holding the file gets a moment to let go of it.
    sqlite3_busy_timeout(db, 2000);
    return db;
}

} // namespace

StoreError::StoreError(Kind kind, const QString &message) : std::runtime_error(message.toStdString()), kind_(kind) {}

QString corruptedFileMessage()
{
    return QStringLiteral("The file you are trying to open has become corrupted.  "
                          "Use the repair utility to repair the file.");
}

// ---------------------------------------------------------------- Database

Database Database::open(const QString &path, Access access)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw StoreError(StoreError::Kind::Missing,
                         QStringLiteral("The diary \"%1\" is not there.").arg(info.fileName()));
    if (!info.isFile())
        notADiary(QStringLiteral("\"%1\" is not a file.").arg(info.fileName()));

    const int flags = access == Access::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    for (bool rolledBack = false;; rolledBack = true) {
        Database db(openHandle(path, flags));
        try {
            checkSchema(db.db_);
            return db;
        } catch (const StoreError &e) {
            // A change that a program ended in the middle of (a crash, a kill,
            // a power cut) has left its journal beside the diary. The engine
            // puts the diary back as it was before that change, but only
            // through a handle that may write: open it so once, then read.
            if (access == Access::ReadOnly && !rolledBack &&
                sqlite3_extended_errcode(db.db_) == SQLITE_READONLY_ROLLBACK) {
                db.close();
                open(path, Access::ReadWrite);
                continue;
            }
            // A file the engine cannot read at all is not a diary either.
            if (e.kind() == StoreError::Kind::Failed) {
                const int code = sqlite3_errcode(db.db_);
                if (code != SQLITE_BUSY && code != SQLITE_LOCKED && code != SQLITE_IOERR && code != SQLITE_NOMEM)
                    notADiary(e.message());
            }
            throw;
        }
    }
}

void Database::create(const QString &path)
{
    if (QFileInfo::exists(path))
        throw StoreError(StoreError::Kind::Exists, QStringLiteral("That file exists already."));

    const QString tmp = fileops::tempPathBeside(path);
    try {
        Database db(openHandle(tmp, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE));
        db.exec("BEGIN;"
                "CREATE TABLE BLOOD (Bdate TEXT(15), Bfast TEXT(6), Afast TEXT(6), Blunch TEXT(6),"
                " Alunch TEXT(6), Bdinner TEXT(6), Adinner TEXT(6), Bedtime TEXT(6), Night TEXT(6));"
                "CREATE UNIQUE INDEX Readings ON BLOOD (Bdate ASC);"
                "COMMIT;");
        db.exec(QStringLiteral("PRAGMA application_id = %1").arg(kDiaryApplicationId).toUtf8().constData());
        db.close();
    } catch (...) {
        QFile::remove(tmp);
        throw;
    }
    QString error;
    // Companions left beside the name by a diary that was there before
    // belong to no file now; the engine would play them into the new one.
    if (!QFileInfo::exists(path) && !removeDiaryCompanions(path, &error)) {
        QFile::remove(tmp);
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("The diary could not be created: ") + error);
    }
    if (!fileops::syncPath(tmp) || !fileops::publishNew(tmp, path, &error)) {
        QFile::remove(tmp);
        if (QFileInfo::exists(path))
            throw StoreError(StoreError::Kind::Exists, QStringLiteral("That file exists already."));
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("The diary could not be created: ") + error);
    }
}

Database::Database(Database &&other) noexcept : db_(other.db_) { other.db_ = nullptr; }

Database &Database::operator=(Database &&other) noexcept
{
    if (this != &other) {
        close();
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

Database::~Database() { close(); }

void Database::close()
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
}

void Database::exec(const char *sql)
{
    char *err = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        sqlite3_free(err);
        fail(db_, QStringLiteral("The diary could not be changed"));
    }
}

Database::Transaction::Transaction(Database &db) : db_(db) { db_.exec("BEGIN IMMEDIATE"); }

Database::Transaction::~Transaction()
{
    if (open_)
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Database::Transaction::commit()
{
    db_.exec("COMMIT");
    open_ = false;
}

// ---------------------------------------------------------------- Cursor

Cursor::Cursor(Database &db) : db_(db)
{
    try {
        pos_ = fetch(First, nullptr) ? Pos::On : Pos::Empty;
    } catch (...) {
        // No destructor runs for a cursor that was never made: finalize the
        // statement here, or the engine keeps the closed diary open for good.
        for (sqlite3_stmt *st : stmts_)
            sqlite3_finalize(st);
        throw;
    }
}

Cursor::~Cursor()
{
    stopScan();
    for (sqlite3_stmt *st : stmts_)
        sqlite3_finalize(st);
}

sqlite3_stmt *Cursor::stmt(Stmt which)
{
    if (stmts_[which])
        return stmts_[which];
    static const QByteArray select = QByteArray("SELECT ") + kColumns + " FROM BLOOD ";
    QByteArray sql;
    switch (which) {
    case First: sql = select + "ORDER BY Bdate LIMIT 1"; break;
    case Last: sql = select + "ORDER BY Bdate DESC LIMIT 1"; break;
    case Equal: sql = select + "WHERE Bdate = ?1 ORDER BY Bdate LIMIT 1"; break;
    case AtLeast: sql = select + "WHERE Bdate >= ?1 ORDER BY Bdate LIMIT 1"; break;
    case Insert:
        sql = QByteArray("INSERT INTO BLOOD (") + kColumns + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
        break;
    case Update:
        sql = "UPDATE BLOOD SET Bfast = ?2, Afast = ?3, Blunch = ?4, Alunch = ?5, Bdinner = ?6, Adinner = ?7,"
              " Bedtime = ?8, Night = ?9 WHERE Bdate = ?1";
        break;
    case Delete: sql = "DELETE FROM BLOOD WHERE Bdate = ?1"; break;
    case DeleteBefore: sql = "DELETE FROM BLOOD WHERE Bdate < ?1"; break;
    case Scan: sql = select + "WHERE Bdate > ?1 ORDER BY Bdate"; break;
    case ScanBack: sql = select + "WHERE Bdate < ?1 ORDER BY Bdate DESC"; break;
    case Keys: sql = select + "WHERE Bdate > ?1 ORDER BY Bdate"; break;
    case StmtCount: break;
    }
    if (sqlite3_prepare_v3(db_.handle(), sql.constData(), -1, SQLITE_PREPARE_PERSISTENT, &stmts_[which], nullptr) !=
        SQLITE_OK)
        fail(db_.handle(), QStringLiteral("The diary could not be read"));
    return stmts_[which];
}

bool Cursor::fetch(Stmt which, const QString *key)
{
    stopScan();
    sqlite3_stmt *st = stmt(which);
    if (key) {
        const QByteArray utf8 = key->toUtf8();
        sqlite3_bind_text(st, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    const bool found = readRow(st, sqlite3_step(st));
    if ((which == Scan || which == ScanBack) && found)
        scanning_ = which;
    else
        sqlite3_reset(st);
    return found;
}

namespace {

// Sets `to` to a column's UTF-8 text (null for none). A walk reads nine texts
// a row; plain ASCII, which every date and nearly every reading is, goes into
// the buffer the string already has, where no one else shares it.
void assignText(QString &to, const char *text, int bytes)
{
    if (!text) {
        to.clear();
        return;
    }
    for (int j = 0; j < bytes; ++j)
        if (uchar(text[j]) >= 0x80) {
            to = QString::fromUtf8(text, bytes);
            return;
        }
    to.resize(bytes);
    char16_t *out = reinterpret_cast<char16_t *>(to.data());
    for (int j = 0; j < bytes; ++j)
        out[j] = char16_t(uchar(text[j]));
}

// The order of two texts by the bytes of their UTF-8 form, the engine's own
// order, as a negative, zero or positive number. Without surrogates the
// order of UTF-16 code units is that of the code points, and so of the bytes.
int utf8Order(const QString &a, const QString &b)
{
    const auto surrogates = [](const QString &s) {
        return std::any_of(s.begin(), s.end(), [](QChar c) { return c.isSurrogate(); });
    };
    if (!surrogates(a) && !surrogates(b))
        return QString::compare(a, b, Qt::CaseSensitive);
    const QByteArray x = a.toUtf8(), y = b.toUtf8();
    return x < y ? -1 : (y < x ? 1 : 0);
}

} // namespace

bool Cursor::readRow(sqlite3_stmt *st, int rc)
{
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW) {
        if (scanning_ != StmtCount && st == stmts_[scanning_])
            scanning_ = StmtCount;
        sqlite3_reset(st);
        fail(db_.handle(), QStringLiteral("The diary could not be read"));
    }
    rowDefect_ = false;
    keyIsText_ = sqlite3_column_type(st, 0) == SQLITE_TEXT;
    for (int i = 0; i <= kReadingKinds; ++i) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
        const int bytes = sqlite3_column_bytes(st, i);
        QString &value = i == 0 ? row_.key : row_.readings[size_t(i - 1)];
        assignText(value, text, bytes);
        if (value.isEmpty())
            rowDefect_ = true;
    }
    return true;
}

void Cursor::stopScan()
{
    if (scanning_ != StmtCount) {
        sqlite3_reset(stmts_[scanning_]);
        scanning_ = StmtCount;
    }
}

void Cursor::requireRow(const char *what) const
{
    if (pos_ != Pos::On)
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("No current row to %1.").arg(QLatin1String(what)));
}

void Cursor::requireProgress(const QString &from, bool forward)
{
    // A step must reach a later (or earlier) date in the engine's own order,
    // the bytes of the text. A damaged index, or a date stored as a number
    // or as raw bytes (which the engine sorts before or after every text),
    // can hand back the row just left or one behind it; a walk would then go
    // round for ever.
    if (forward ? utf8Order(row_.key, from) > 0 : utf8Order(row_.key, from) < 0)
        return;
    stopScan();
    pos_ = Pos::Undefined;
    notADiary(QStringLiteral("The dates of the diary are out of order."));
}

qint64 Cursor::countThrough(const QString &endKey)
{
    requireRow("count from");
    if (row_.key > endKey)
        return 0;
    if (rowDefect_)
        notADiary(QStringLiteral("A day of the diary has an empty field."));
    // The rows after the current one, in the order a walk meets them, each
    // checked as a step and a read check it (its order before the end is
    // looked at); only the key becomes text.
    sqlite3_stmt *st = stmt(Keys);
    sqlite3_reset(st);
    const QByteArray from = row_.key.toUtf8();
    sqlite3_bind_text(st, 1, from.constData(), int(from.size()), SQLITE_TRANSIENT);
    qint64 count = 1;
    QString previous = row_.key;
    QString key;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        assignText(key, reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), sqlite3_column_bytes(st, 0));
        if (utf8Order(key, previous) <= 0) {
            sqlite3_reset(st);
            notADiary(QStringLiteral("The dates of the diary are out of order."));
        }
        if (key > endKey)
            break;
        for (int i = 0; i <= kReadingKinds; ++i) {
            if (!sqlite3_column_text(st, i) || sqlite3_column_bytes(st, i) == 0) {
                sqlite3_reset(st);
                notADiary(QStringLiteral("A day of the diary has an empty field."));
            }
        }
        ++count;
        std::swap(previous, key);
    }
    sqlite3_reset(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        fail(db_.handle(), QStringLiteral("The diary could not be read"));
    return count;
}

void Cursor::unplace()
{
    stopScan();
    noMatch_ = false;
    pos_ = Pos::Undefined;
}

void Cursor::restart()
{
    noMatch_ = false;
    pos_ = fetch(First, nullptr) ? Pos::On : Pos::Empty;
}

void Cursor::moveFirst()
{
    if (!fetch(First, nullptr))
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("The diary holds no dates."));
    pos_ = Pos::On;
}

void Cursor::moveLast()
{
    if (!fetch(Last, nullptr))
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("The diary holds no dates."));
    pos_ = Pos::On;
}

// One step along a running query, or a fresh query from the current row when
// none runs in that direction; `whenNone` is where the cursor ends up when no
// row lies that way.
void Cursor::step(Stmt scan, Pos whenNone)
{
    const QString from = row_.key;
    bool found;
    if (pos_ == Pos::On && scanning_ == scan) {
        sqlite3_stmt *st = stmts_[scan];
        found = readRow(st, sqlite3_step(st));
        if (!found)
            stopScan();
    } else {
        found = fetch(scan, &from);
    }
    pos_ = found ? Pos::On : whenNone;
    if (!found)
        row_.key = from;
    else
        requireProgress(from, scan == Scan);
}

void Cursor::moveNext()
{
    switch (pos_) {
    case Pos::Before: pos_ = fetch(First, nullptr) ? Pos::On : Pos::After; break;
    case Pos::On:
    case Pos::Removed: step(Scan, Pos::After); break;
    case Pos::Empty:
    case Pos::After:
    case Pos::Undefined: throw StoreError(StoreError::Kind::Failed, QStringLiteral("No current row to move on from."));
    }
}

void Cursor::movePrevious()
{
    switch (pos_) {
    case Pos::After: pos_ = fetch(Last, nullptr) ? Pos::On : Pos::Before; break;
    case Pos::On:
    case Pos::Removed: step(ScanBack, Pos::Before); break;
    case Pos::Empty:
    case Pos::Before:
    case Pos::Undefined:
        throw StoreError(StoreError::Kind::Failed, QStringLiteral("No current row to move back from."));
    }
}

void Cursor::seek(SeekOp op, const QString &key)
{
    const bool found = fetch(op == SeekOp::Equal ? Equal : AtLeast, &key);
    noMatch_ = !found;
    pos_ = found ? Pos::On : Pos::Undefined;
}

const ReadingDay &Cursor::row() const
{
    requireRow("read");
    if (rowDefect_)
        notADiary(QStringLiteral("A day of the diary has an empty field."));
    return row_;
}

const QString &Cursor::key() const
{
    requireRow("read");
    return row_.key;
}

int Cursor::writeDay(Stmt which, const ReadingDay &day)
{
    stopScan();
    sqlite3_stmt *st = stmt(which);
    sqlite3_reset(st);
    QByteArray values[kReadingKinds + 1];
    values[0] = day.key.toUtf8();
    for (int i = 0; i < kReadingKinds; ++i)
        values[i + 1] = ReadingDay::storedForm(day.readings[size_t(i)]).toUtf8();
    for (int i = 0; i <= kReadingKinds; ++i)
        sqlite3_bind_text(st, i + 1, values[i].constData(), int(values[i].size()), SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        fail(db_.handle(), QStringLiteral("The day could not be stored"));
    return sqlite3_changes(db_.handle());
}

void Cursor::append(const ReadingDay &day) { writeDay(Insert, day); }

bool Cursor::update(const ReadingDay &day) { return writeDay(Update, day) > 0; }

void Cursor::remove()
{
    requireRow("delete");
    stopScan();
    sqlite3_stmt *st = stmt(Delete);
    sqlite3_reset(st);
    const QByteArray key = row_.key.toUtf8();
    sqlite3_bind_text(st, 1, key.constData(), int(key.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        fail(db_.handle(), QStringLiteral("The day could not be deleted"));
    pos_ = Pos::Removed;
}

qint64 Cursor::removeBefore(const QString &key)
{
    stopScan();
    sqlite3_stmt *st = stmt(DeleteBefore);
    sqlite3_reset(st);
    const QByteArray utf8 = key.toUtf8();
    sqlite3_bind_text(st, 1, utf8.constData(), int(utf8.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
    if (rc != SQLITE_DONE)
        fail(db_.handle(), QStringLiteral("The days could not be deleted"));
    pos_ = Pos::After;
    return sqlite3_changes64(db_.handle());
}
