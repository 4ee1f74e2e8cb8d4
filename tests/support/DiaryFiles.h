#pragma once
// Diaries and files written and read for a test, through the store alone: no
// window is needed, so the tests of the store share them with the windows'.

#include "core/CsvFile.h"
#include "core/ReadingDay.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <sys/resource.h>

// A day with its readings; missing readings are "-".
ReadingDay makeDay(const QString &key, const QStringList &readings = {});
// Days keyed 2013-01-01, 2013-01-02 ... with readings derived from the index.
QList<ReadingDay> consecutiveDays(int count, const QDate &first = QDate(2013, 1, 1));

// Creates a diary file holding these days.
void writeDiary(const QString &path, const QList<ReadingDay> &days);
// Every day of a diary file, in key order.
QList<ReadingDay> readDiary(const QString &path);

// Days as "key|r1|...|r8" lines, to compare lists of days in one message.
QString rowText(const ReadingDay &day);
QStringList rowTexts(const QList<ReadingDay> &days);

// A file's bytes, or "<absent>" when it cannot be read.
QByteArray bytesOf(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// Every file of a folder, hidden ones included, with its content: equal
// snapshots mean nothing was changed, added or left behind.
QMap<QString, QByteArray> snapshot(const QString &folder);

// Runs SQL on a file directly, as another program would; the SQL must succeed.
void rawSql(const QString &path, const char *sql);

// Adds days to the diary as another program would that switches it to
// write-ahead-log mode, commits them and is killed before the log is played
// into the file: the days then live in NAME-wal alone.
void addDaysInLogAndDie(const QString &path, const QList<ReadingDay> &days);

// While it lives, no file may grow past `bytes`, as on a full disk: a write
// beyond it fails (and does not end the process).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit old_{};
};

struct sqlite3;
struct sqlite3_stmt;

// Another program reading the diary: while it lives it holds a shared lock,
// so a change may begin but cannot be committed.
class DiaryReader {
public:
    explicit DiaryReader(const QString &path);
    ~DiaryReader();
    DiaryReader(const DiaryReader &) = delete;
    DiaryReader &operator=(const DiaryReader &) = delete;

private:
    sqlite3 *db_ = nullptr;
    sqlite3_stmt *st_ = nullptr;
};

// Adds an import's new dates with the diary harmed as `harm` says: "full
// disk" (no byte can be written), "locked" (another program reads it), else
// as it is. Returns what was added, or nothing when the import failed.
std::optional<csv::ImportDone> applyImportHarmed(const QString &diary, const csv::ImportPreview &preview,
                                                 const QString &harm);
