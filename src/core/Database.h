#pragma once
// The diary file: a SQLite database holding table BLOOD (the date key and the
// eight readings of one day per row) and its index Readings on the key.
//
// A handler takes a cursor over the table in key order, seeks or walks,
// reads or writes; the connection and its cursor may be kept for the next
// action while the browser shows the diary (see DiarySession), holding no
// transaction, lock or running query in between.

#include "core/ReadingDay.h"

#include <QString>

#include <stdexcept>

struct sqlite3;
struct sqlite3_stmt;

class StoreError : public std::runtime_error {
public:
    enum class Kind {
        NotADiary, // not a database of this program, or damaged
        Missing,   // the file is not there
        Exists,    // creating a file that is there already
        Failed     // any other engine or file failure
    };
    StoreError(Kind kind, const QString &message);
    Kind kind() const { return kind_; }
    QString message() const { return QString::fromUtf8(what()); }

private:
    Kind kind_;
};

// The number in the file's header that marks it as a diary of this program.
inline constexpr int kDiaryApplicationId = 0x4C42434C;

class Database {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens a diary; throws StoreError(NotADiary) for anything that is not a
    // sound diary of this program, StoreError(Missing) for a missing file.
    static Database open(const QString &path, Access access = Access::ReadWrite);

    // Creates a new, empty diary. The file appears whole or not at all;
    // throws StoreError(Exists) if the name is taken.
    static void create(const QString &path);

    Database(Database &&other) noexcept;
    Database &operator=(Database &&other) noexcept;
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;
    ~Database();

    void close();
    sqlite3 *handle() const { return db_; }

    // Runs statements that return no rows; throws StoreError on failure.
    void exec(const char *sql);

    // All changes made while it lives are kept only if commit() is called.
    class Transaction {
    public:
        explicit Transaction(Database &db);
        ~Transaction();
        void commit();
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;

    private:
        Database &db_;
        bool open_ = true;
    };

private:
    explicit Database(sqlite3 *db) : db_(db) {}
    sqlite3 *db_ = nullptr;
};

enum class SeekOp { Equal, AtLeast };

// A cursor over table BLOOD in the order of index Readings. A fresh cursor
// stands on the first row; on an empty table bof() and eof() are both true.
class Cursor {
public:
    explicit Cursor(Database &db);
    ~Cursor();
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;

    bool bof() const { return pos_ == Pos::Before || pos_ == Pos::Empty; }
    bool eof() const { return pos_ == Pos::After || pos_ == Pos::Empty; }
    bool noMatch() const { return noMatch_; }
    Database &database() const { return db_; }

    void moveFirst();
    void moveLast();
    // Stands on the first row again, as a fresh cursor does.
    void restart();
    // Stands nowhere, without a query: for an action that seeks before it
    // reads. A read or a step before a seek throws StoreError.
    void unplace();
    // Ends any running query, so that the cursor holds no read of the file
    // between actions.
    void rest() { stopScan(); }
    // From the last row moves to eof(); from bof() to the first row; after
    // remove() to the row that followed the removed one.
    void moveNext();
    void movePrevious();

    // Positions on the first row whose key equals (or is at least) `key`;
    // sets noMatch() when there is none.
    void seek(SeekOp op, const QString &key);

    // The current row. Throws StoreError(NotADiary) if a field is empty.
    const ReadingDay &row() const;
    const QString &key() const;

    // Appends a day; the index places it in key order. The cursor stays where
    // it was.
    void append(const ReadingDay &day);
    // Replaces the readings of the day stored under day.key; false when no
    // day is stored under it. The cursor stays where it was.
    bool update(const ReadingDay &day);
    // How many rows a walk with moveNext() from the current row meets up to
    // the last whose key is at most `endKey`, the current one included;
    // throws where such a walk reading every row would. Only the keys are
    // read as text. The cursor stays where it was.
    qint64 countThrough(const QString &endKey);
    // Deletes the current row; the next move reaches its neighbours.
    void remove();
    // Deletes, in one statement, every row whose key is text that sorts
    // before `key`; returns how many went. A key stored as bytes or empty
    // (NULL) is not text and stays. The cursor stands after the last row.
    qint64 removeBefore(const QString &key);
    // Whether the key of the current row is stored as text (not as bytes,
    // a number or nothing).
    bool keyIsText() const { return keyIsText_; }

private:
    enum class Pos { Empty, Before, On, Removed, After, Undefined };
    enum Stmt { First, Last, Equal, AtLeast, Insert, Update, Delete, DeleteBefore, Scan, ScanBack, Keys, StmtCount };

    sqlite3_stmt *stmt(Stmt which);
    bool fetch(Stmt which, const QString *key);      // runs a one-row query; true if a row came
    bool readRow(sqlite3_stmt *st, int rc);          // takes the row a step produced; true if one came
    int writeDay(Stmt which, const ReadingDay &day); // an INSERT or UPDATE of the day; the rows it changed
    void stopScan();
    void step(Stmt scan, Pos whenNone);
    void requireRow(const char *what) const;
    // Throws StoreError(NotADiary) unless the row reached lies after `from`
    // (before it when going back).
    void requireProgress(const QString &from, bool forward);

    Database &db_;
    sqlite3_stmt *stmts_[StmtCount] = {};
    Pos pos_ = Pos::Undefined;
    bool noMatch_ = false;
    bool rowDefect_ = false;
    bool keyIsText_ = true;
    // Steps one after another in one direction read from one running query
    // (Scan or ScanBack) rather than a fresh query each, as long as nothing
    // else moved the cursor; StmtCount when none runs.
    Stmt scanning_ = StmtCount;
    ReadingDay row_;
};

// The message for a file that is not a readable diary.
QString corruptedFileMessage();
