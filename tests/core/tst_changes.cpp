// The changes a person makes to a diary: each is done whole, and when
// anything fails on the way the diary is left exactly as it was.

#include "core/BackupFiles.h"
#include "core/Database.h"
#include "core/DiaryChanges.h"
#include "core/DiaryMaintenance.h"
#include "core/DiarySession.h"
#include "core/FaultPoints.h"
#include "support/DiaryFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

ReadingDay dayOf(const QString &key, const QString &first)
{
    ReadingDay d;
    d.key = key;
    for (QString &r : d.readings)
        r = missingReading();
    d.readings[0] = first;
    return d;
}

QString keyOf(int day) { return QStringLiteral("2020-01-%1").arg(day, 2, 10, QLatin1Char('0')); }

// 2020-01-01 to 2020-01-(count), the first reading of day n being 100 + n.
QList<ReadingDay> daysUpTo(int count)
{
    QList<ReadingDay> days;
    for (int n = 1; n <= count; ++n)
        days << dayOf(keyOf(n), QString::number(100 + n));
    return days;
}

// Every row as the engine holds it, unreadable ones too.
QStringList rows(const QString &path)
{
    sqlite3 *db = nullptr;
    QStringList out;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT * FROM BLOOD ORDER BY Bdate", -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList fields;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                fields << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
            out << fields.join(QLatin1Char('|'));
        }
    } else {
        out << QStringLiteral("<unreadable>");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// The first page of a table or index, as the engine numbers pages.
qint64 tableRoot(const QString &path, const char *name)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    qint64 page = 0;
    if (sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_master WHERE name = ?1", -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, name, -1, SQLITE_STATIC);
        if (sqlite3_step(st) == SQLITE_ROW)
            page = sqlite3_column_int64(st, 0);
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return page;
}

QStringList keys(const QString &path)
{
    QStringList out;
    for (const QString &row : rows(path))
        out << row.section(QLatin1Char('|'), 0, 0);
    return out;
}

// Runs one change on the diary of ten days; returns the key of the day it
// gives back (the stored, next or last day), "-" for none.
QString change(Cursor &c, const QString &what)
{
    const auto keyOrDash = [](const std::optional<ReadingDay> &d) { return d ? d->key : QStringLiteral("-"); };
    if (what == QLatin1String("add"))
        return keyOrDash(DiaryChanges::addDay(c, dayOf(keyOf(20), QStringLiteral("99"))));
    if (what == QLatin1String("replace"))
        return DiaryChanges::replaceDay(c, keyOf(3), dayOf(keyOf(3), QStringLiteral("5.5"))) ? keyOf(3) : QString();
    if (what == QLatin1String("move"))
        return DiaryChanges::replaceDay(c, keyOf(3), dayOf(keyOf(15), QStringLiteral("5.5"))) ? keyOf(3) : QString();
    if (what == QLatin1String("delete"))
        return keyOrDash(DiaryChanges::deleteDay(c, keyOf(9)).next);
    return keyOrDash(DiaryChanges::deleteDaysBefore(c, keyOf(5)).last);
}

} // namespace

class TestChanges : public QObject {
    Q_OBJECT

private slots:
    void changesAreWholeOrNotAtAll_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("harm");
        for (const char *what : {"add", "replace", "move", "delete", "delete before"})
            for (const char *harm : {"none", "read-only", "locked", "full disk", "fails on the way"})
                QTest::addRow("%s, %s", what, harm) << QString::fromLatin1(what) << QString::fromLatin1(harm);
    }
    void changesAreWholeOrNotAtAll()
    {
        QFETCH(QString, what);
        QFETCH(QString, harm);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        const QList<ReadingDay> days = daysUpTo(10);
        writeDiary(path, days);
        if (harm == QLatin1String("fails on the way")) {
            // A new day and new readings are refused, and the last day cannot
            // be read: each change fails after its first step (the delete of
            // the old day, of the day, of the days before) has been made, or
            // in its one step (readings replaced in place).
            rawSql(path,
                   "CREATE TRIGGER refuse BEFORE INSERT ON BLOOD BEGIN SELECT RAISE(ABORT, 'refused'); END;"
                   "UPDATE BLOOD SET Night = '' WHERE Bdate = '2020-01-10';"
                   "CREATE TRIGGER refuseReadings BEFORE UPDATE ON BLOOD BEGIN SELECT RAISE(ABORT, 'refused'); END;");
        }
        const QStringList before = rows(path);

        bool failed = false;
        QString given;
        {
            std::optional<DiaryReader> reader;
            std::optional<FileSizeLimit> full;
            try {
                Database db = Database::open(path,
                                             harm == QLatin1String("read-only") ? Database::Access::ReadOnly
                                                                                : Database::Access::ReadWrite);
                sqlite3_busy_timeout(db.handle(), 50);
                Cursor c(db);
                if (harm == QLatin1String("locked"))
                    reader.emplace(path);
                if (harm == QLatin1String("full disk"))
                    full.emplace(0);
                given = change(c, what);
            } catch (const StoreError &) {
                failed = true;
            }
        }
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
        if (harm != QLatin1String("none")) {
            QVERIFY2(failed, qPrintable(given));
            QCOMPARE(rows(path), before);
            return;
        }
        QVERIFY(!failed);
        QList<ReadingDay> expected = days;
        QString expectedGiven;
        if (what == QLatin1String("add")) {
            expected << dayOf(keyOf(20), QStringLiteral("99"));
            expectedGiven = QStringLiteral("-");
        } else if (what == QLatin1String("replace")) {
            expected[2] = dayOf(keyOf(3), QStringLiteral("5.5"));
            expectedGiven = keyOf(3);
        } else if (what == QLatin1String("move")) {
            expected.removeAt(2);
            expected << dayOf(keyOf(15), QStringLiteral("5.5"));
            expectedGiven = keyOf(3);
        } else if (what == QLatin1String("delete")) {
            expected.removeAt(8);
            expectedGiven = keyOf(10);
        } else {
            expected = days.mid(4);
            expectedGiven = keyOf(10);
        }
        QStringList expectedRows;
        for (const ReadingDay &d : expected)
            expectedRows << rowText(d);
        QCOMPARE(rows(path), expectedRows);
        QCOMPARE(given, expectedGiven);
    }

    void changesAnswerWhatTheWindowsShow_data()
    {
        // On a diary of `days` days (2020-01-01 on): the change, its key
        // ("old>new" for a replace), the dates left, the day it gives back
        // ("-" none), and how it ended.
        QTest::addColumn<int>("days");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("ending");
        const auto upTo = [](int n, int from = 1) {
            QStringList k;
            for (int i = from; i <= n; ++i)
                k << keyOf(i);
            return k;
        };
        QTest::newRow("add a stored date") << 3 << "add" << keyOf(2) << upTo(3) << keyOf(2) << "stored";
        QTest::newRow("delete the last day") << 3 << "delete" << keyOf(3) << upTo(2) << keyOf(2) << "done";
        QTest::newRow("delete the only day") << 1 << "delete" << keyOf(1) << QStringList() << "-"
                                             << "done";
        QTest::newRow("delete a date not stored") << 3 << "delete" << keyOf(7) << upTo(3) << "-"
                                                  << "not stored";
        QTest::newRow("delete before the first date") << 3 << "delete before"
                                                      << "2019-12-31" << upTo(3) << "-"
                                                      << "nothing before";
        QTest::newRow("delete before the first date itself")
            << 3 << "delete before" << keyOf(1) << upTo(3) << keyOf(3) << "done";
        QTest::newRow("delete before a date after the last") << 3 << "delete before"
                                                             << "2021-01-01" << QStringList() << "-"
                                                             << "done";
        QTest::newRow("delete before a date between")
            << 6 << "delete before" << keyOf(4) << upTo(6, 4) << keyOf(6) << "done";
        QTest::newRow("replace a day not stored")
            << 2 << "replace" << keyOf(9) + ">" + keyOf(5) << QStringList{keyOf(1), keyOf(2), keyOf(5)} << keyOf(5)
            << "not stored";
        QTest::newRow("replace a day no longer stored, same date")
            << 2 << "replace" << keyOf(5) + ">" + keyOf(5) << QStringList{keyOf(1), keyOf(2), keyOf(5)} << keyOf(5)
            << "not stored";
        QTest::newRow("replace a day in place")
            << 3 << "replace" << keyOf(2) + ">" + keyOf(2) << upTo(3) << keyOf(2) << "done";
        // The old day is deleted first; the new date's day stops the change.
        QTest::newRow("move onto a stored date") << 3 << "replace" << keyOf(1) + ">" + keyOf(2) << upTo(3) << "-"
                                                 << "fails";
    }
    void changesAnswerWhatTheWindowsShow()
    {
        QFETCH(int, days);
        QFETCH(QString, what);
        QFETCH(QString, key);
        QFETCH(QStringList, left);
        QFETCH(QString, given);
        QFETCH(QString, ending);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        const QList<ReadingDay> stored = daysUpTo(days);
        writeDiary(path, stored);
        const QStringList before = rows(path);

        QString gave = QStringLiteral("-");
        QString ended = QStringLiteral("done");
        try {
            Database db = Database::open(path);
            Cursor c(db);
            const auto note = [&](const std::optional<ReadingDay> &d) {
                if (d)
                    gave = d->key;
            };
            if (what == QLatin1String("add")) {
                const std::optional<ReadingDay> was = DiaryChanges::addDay(c, dayOf(key, QStringLiteral("77")));
                note(was);
                if (was) {
                    ended = QStringLiteral("stored");
                    QVERIFY(stored.contains(*was));
                }
            } else if (what == QLatin1String("delete")) {
                const DiaryChanges::DayDeletion d = DiaryChanges::deleteDay(c, key);
                note(d.next);
                if (!d.deleted)
                    ended = QStringLiteral("not stored");
            } else if (what == QLatin1String("delete before")) {
                const DiaryChanges::DeletionBefore d = DiaryChanges::deleteDaysBefore(c, key);
                note(d.last);
                if (d.nothingBefore)
                    ended = QStringLiteral("nothing before");
                if (d.last)
                    QCOMPARE(*d.last, stored.last());
            } else {
                const ReadingDay day = dayOf(key.section(QLatin1Char('>'), 1), QStringLiteral("77"));
                if (!DiaryChanges::replaceDay(c, key.section(QLatin1Char('>'), 0, 0), day))
                    ended = QStringLiteral("not stored");
                gave = day.key;
            }
        } catch (const StoreError &) {
            ended = QStringLiteral("fails");
        }
        QCOMPARE(ended, ending);
        QCOMPARE(gave, given);
        QCOMPARE(keys(path), left);
        const bool replaced = what == QLatin1String("replace") && ending == QLatin1String("done");
        if (left == keys(path) && left.size() == days && !replaced)
            QCOMPARE(rows(path), before); // nothing changed at all
        if (replaced)
            QCOMPARE(rows(path).filter(QStringLiteral("|77|")).size(), 1);
        QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    }

    void deleteBeforeCallsADateStoredAsBytesDamaged_data()
    {
        // Ten days; the day of 2020-01-03 has its date stored as bytes, which
        // the engine sorts after every date stored as text. The bound, and
        // the dates left ("-" after them: the change failed).
        QTest::addColumn<QString>("bound");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<bool>("fails");
        QStringList all;
        for (int n = 1; n <= 10; ++n)
            all << keyOf(n);
        QTest::newRow("bytes date before the bound") << keyOf(5) << all << true;
        QTest::newRow("bytes date after the bound") << keyOf(2) << all.mid(1) << false;
        QTest::newRow("bytes date, bound after every date") << "2021-01-01" << all << true;
    }
    void deleteBeforeCallsADateStoredAsBytesDamaged()
    {
        QFETCH(QString, bound);
        QFETCH(QStringList, left);
        QFETCH(bool, fails);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Bytes.bcl"));
        writeDiary(path, daysUpTo(10));
        rawSql(path, "UPDATE BLOOD SET Bdate = CAST(Bdate AS BLOB) WHERE Bdate = '2020-01-03'");
        bool failed = false;
        try {
            Database db = Database::open(path);
            Cursor c(db);
            const DiaryChanges::DeletionBefore d = DiaryChanges::deleteDaysBefore(c, bound);
            // The bytes date stands last in the engine's order.
            QVERIFY(d.last && d.last->key == keyOf(3));
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::NotADiary);
            failed = true;
        }
        QCOMPARE(failed, fails);
        QStringList stored = keys(path);
        std::sort(stored.begin(), stored.end());
        QCOMPARE(stored, left);
    }

    void keptConnectionSeesWhatOthersDid_data()
    {
        // Between two actions on the connection kept by a session, something
        // else happens to the diary file; the second action must see the file
        // as it is now: its days ("-": the action failed), and a day it adds
        // must reach the file, not a copy that was replaced. Whole-file
        // operations take no part in the session: they run beside the kept
        // connection, which notices the file changed. Another program may
        // lock the file for writing in between (no lock is held between
        // actions).
        QTest::addColumn<QString>("between");
        QTest::addColumn<QString>("seen");
        QTest::newRow("nothing") << "nothing"
                                 << "2020-01-01..2020-01-10";
        QTest::newRow("another program adds a day") << "add"
                                                    << "2020-01-01..2020-01-11";
        QTest::newRow("the file is replaced by another diary") << "replace"
                                                               << "2021-01-01..2021-01-03";
        QTest::newRow("the index is dropped") << "drop index"
                                              << "-";
        QTest::newRow("the file is removed") << "remove"
                                             << "-";
        QTest::newRow("an action fails, then another program adds a day") << "action fails"
                                                                          << "2020-01-01..2020-01-11";
        QTest::newRow("backup") << "backup"
                                << "2020-01-01..2020-01-10";
        QTest::newRow("restore") << "restore"
                                 << "2021-01-01..2021-01-03";
        QTest::newRow("compaction") << "compact"
                                    << "2020-01-01..2020-01-10";
        QTest::newRow("compaction that fails as it replaces the file") << "compact fails"
                                                                       << "2020-01-01..2020-01-10";
        QTest::newRow("repair of a broken index") << "repair"
                                                  << "2020-01-01..2020-01-10";
    }
    void keptConnectionSeesWhatOthersDid()
    {
        QFETCH(QString, between);
        QFETCH(QString, seen);
        QTemporaryDir dir;
        const QString name = QStringLiteral("Ann Smith.bcl");
        const QString path = dir.filePath(name);
        const QString backups = dir.filePath(QStringLiteral("backups"));
        QVERIFY(QDir().mkpath(backups));
        const QList<ReadingDay> otherDiary = {dayOf(QStringLiteral("2021-01-01"), QStringLiteral("1")),
                                              dayOf(QStringLiteral("2021-01-03"), QStringLiteral("3"))};
        writeDiary(path, daysUpTo(10));
        if (between == QLatin1String("repair")) {
            // The last key of the index changed inside its page, the order
            // kept: the walks below still read every day, the engine's own
            // check finds the fault, and the repair rebuilds the index into a
            // new file.
            const qint64 page = tableRoot(path, "Readings");
            QByteArray bytes = bytesOf(path);
            const qint64 at = bytes.indexOf(keyOf(10).toLatin1(), (page - 1) * 4096);
            QVERIFY(at > (page - 1) * 4096 && at < page * 4096);
            bytes[at + 1] = '9';
            writeBytes(path, bytes);
        }
        DiarySession session;
        {
            // An action that walks forward and stops half way, leaving its
            // running query behind.
            DiarySession::Lease first = session.lease(path);
            first.cursor().moveNext();
            first.cursor().moveNext();
            first.keep();
        }
        QVERIFY(session.isKept());
        // Another program may take the write lock at once.
        sqlite3 *other = nullptr;
        sqlite3_open_v2(QFile::encodeName(path).constData(), &other, SQLITE_OPEN_READWRITE, nullptr);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        if (between == QLatin1String("action fails")) {
            try {
                DiarySession::Lease failing = session.lease(path);
                failing.cursor().moveNext();
                throw StoreError(StoreError::Kind::Failed, QStringLiteral("the disk is gone"));
            } catch (const StoreError &) {
            }
            QVERIFY(!session.isKept()); // a failure keeps nothing
        }
        if (between == QLatin1String("add") || between == QLatin1String("action fails"))
            QCOMPARE(sqlite3_exec(other, "INSERT INTO BLOOD VALUES ('2020-01-11','1','-','-','-','-','-','-','-')",
                                  nullptr, nullptr, nullptr),
                     SQLITE_OK);
        if (between == QLatin1String("drop index"))
            QCOMPARE(sqlite3_exec(other, "DROP INDEX Readings", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        if (between == QLatin1String("replace")) {
            const QString staged = dir.filePath(QStringLiteral("staged.bcl"));
            writeDiary(staged, otherDiary);
            QVERIFY(std::rename(QFile::encodeName(staged).constData(), QFile::encodeName(path).constData()) == 0);
        }
        if (between == QLatin1String("remove"))
            QVERIFY(QFile::remove(path));

        QString error;
        MaintenanceFailure failure;
        if (between == QLatin1String("backup"))
            QVERIFY2(backupDiary(dir.path(), name, backups, &error), qPrintable(error));
        if (between == QLatin1String("restore")) {
            writeDiary(backups + QLatin1Char('/') + name, otherDiary);
            QVERIFY2(restoreDiary(dir.path(), name, backups, &error), qPrintable(error));
        }
        if (between == QLatin1String("compact"))
            QVERIFY2(compactDiary(dir.path(), name, &failure), qPrintable(failure.what + failure.detail));
        if (between == QLatin1String("compact fails")) {
            faultpoints::failStep = [](const char *step) { return qstrcmp(step, "compact.replace") == 0; };
            QVERIFY(!compactDiary(dir.path(), name, &failure));
            faultpoints::failStep = nullptr;
        }
        if (between == QLatin1String("repair")) {
            const RepairResult r = repairDiary(dir.path(), name);
            QVERIFY2(r.outcome == RepairResult::Outcome::Rebuilt, qPrintable(r.failure.what + r.failure.detail));
        }
        if (between != QLatin1String("action fails"))
            QVERIFY(session.isKept()); // no file operation touches the session

        QString got = QStringLiteral("-");
        try {
            DiarySession::Lease second = session.lease(path);
            Cursor &c = second.cursor();
            const QString from = c.key();
            c.moveLast();
            got = from + QStringLiteral("..") + c.key();
            QVERIFY(!DiaryChanges::addDay(c, dayOf(keyOf(25), QStringLiteral("7")))); // stored
            second.keep();
        } catch (const StoreError &) {
            QVERIFY(!session.isKept()); // a failure keeps nothing
        }
        QCOMPARE(got, seen);
        if (got != QLatin1String("-")) {
            QVERIFY(session.isKept());
            QVERIFY(keys(path).contains(keyOf(25))); // the day is in the file itself
        }
        session.release();
        QVERIFY(!session.isKept());
    }

    void aLeaseForASeekStandsNowhere()
    {
        // A lease for an action that seeks first runs no query for the first
        // row; a read before the seek fails instead of giving a stale day.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(path, daysUpTo(10));
        DiarySession session;
        for (int lease = 0; lease < 2; ++lease) { // opened afresh, then kept
            DiarySession::Lease diary = session.lease(path, Database::Access::ReadWrite, DiarySession::Start::Anywhere);
            Cursor &c = diary.cursor();
            if (lease == 1) {
                QVERIFY_THROWS_EXCEPTION(StoreError, c.key());
                QVERIFY_THROWS_EXCEPTION(StoreError, c.moveNext());
            }
            c.seek(SeekOp::Equal, keyOf(4));
            c.moveNext();
            QCOMPARE(c.key(), keyOf(5));
            diary.keep();
            QVERIFY(session.isKept());
        }
    }
};

QTEST_GUILESS_MAIN(TestChanges)
#include "tst_changes.moc"
