#include "support/DiaryFiles.h"

#include "core/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

ReadingDay makeDay(const QString &key, const QStringList &readings)
{
    ReadingDay day;
    day.key = key;
    for (int i = 0; i < kReadingKinds; ++i)
        day.readings[size_t(i)] = ReadingDay::storedForm(readings.value(i));
    return day;
}

QList<ReadingDay> consecutiveDays(int count, const QDate &first)
{
    QList<ReadingDay> days;
    for (int i = 0; i < count; ++i) {
        QStringList values;
        for (int k = 0; k < kReadingKinds; ++k)
            values << QString::number(80 + (i * 7 + k * 13) % 120);
        days << makeDay(first.addDays(i).toString(QStringLiteral("yyyy-MM-dd")), values);
    }
    return days;
}

void writeDiary(const QString &path, const QList<ReadingDay> &days)
{
    Database::create(path);
    Database db = Database::open(path);
    Database::Transaction t(db);
    Cursor c(db);
    for (const ReadingDay &d : days)
        c.append(d);
    t.commit();
}

QList<ReadingDay> readDiary(const QString &path)
{
    Database db = Database::open(path, Database::Access::ReadOnly);
    Cursor c(db);
    QList<ReadingDay> days;
    if (c.eof())
        return days;
    for (c.moveFirst(); !c.eof(); c.moveNext())
        days << c.row();
    return days;
}

void addDaysInLogAndDie(const QString &path, const QList<ReadingDay> &days)
{
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        try {
            Database db = Database::open(path);
            db.exec("PRAGMA journal_mode = WAL; PRAGMA wal_autocheckpoint = 0");
            Database::Transaction t(db);
            Cursor c(db);
            for (const ReadingDay &d : days)
                c.append(d);
            t.commit();
            // Killed with the diary still open: nothing plays the log in.
            ::raise(SIGKILL);
        } catch (...) {
        }
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL, "the writer did not get as far as its kill");
    QVERIFY(QFileInfo(path + QStringLiteral("-wal")).size() > 0);
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot))
        files.insert(name,
                     QFileInfo(dir.filePath(name)).isDir() ? QByteArray("<folder>") : bytesOf(dir.filePath(name)));
    return files;
}

void rawSql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char *err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK)
        qWarning("%s", err);
    sqlite3_free(err);
    sqlite3_close(db);
    QCOMPARE(rc, SQLITE_OK);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
{
    // A write past the limit then fails with an error instead of ending the
    // process, as it does in the program.
    std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &old_); }

DiaryReader::DiaryReader(const QString &path)
{
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db_, "SELECT * FROM BLOOD", -1, &st_, nullptr);
    if (sqlite3_step(st_) != SQLITE_ROW)
        qFatal("the reader read nothing");
}

DiaryReader::~DiaryReader()
{
    sqlite3_finalize(st_);
    sqlite3_close(db_);
}

QString rowText(const ReadingDay &d)
{
    return d.key + QLatin1Char('|') + QStringList(d.readings.begin(), d.readings.end()).join(QLatin1Char('|'));
}

QStringList rowTexts(const QList<ReadingDay> &days)
{
    QStringList out;
    for (const ReadingDay &d : days)
        out << rowText(d);
    return out;
}

std::optional<csv::ImportDone> applyImportHarmed(const QString &diary, const csv::ImportPreview &preview,
                                                 const QString &harm)
{
    std::optional<FileSizeLimit> full;
    std::optional<DiaryReader> reader;
    if (harm == QLatin1String("full disk"))
        full.emplace(0);
    if (harm == QLatin1String("locked"))
        reader.emplace(diary);
    try {
        return csv::applyImport(diary, preview);
    } catch (const StoreError &) {
        return std::nullopt;
    }
}
