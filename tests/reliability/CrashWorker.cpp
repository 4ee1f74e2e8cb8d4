// The child of the crash test. It changes a diary through the program's own
// changes (DiaryChanges, which the windows call too), in a loop that ends
// only when the parent kills it: a new day, an import of a CSV file of days
// (through the import's own reading, preview and change), an import of a
// meter's export (read, placed into the times of day and set against the
// diary by the meter import, then the same change), an edit (the old day
// replaced, under its date or another), the delete of one day, and the
// delete of every day before a date.
//
// Before a change it tells the parent what it is about to do, and after the
// change is committed it says so, one line each on standard output:
//   A <key> <r1> ... <r8>          add a day
//   I <key> <r1> ... <r8> <key> ... import days (nine words for each)
//   M <key> <r1> ... <r8> <key> ... import days from a meter's export
//   E <old key> <key> <r1> ... <r8> replace a day
//   D <key>                         delete a day
//   B <key>                         delete every day before the key
//   C                               the change above is committed
// The first line, "R", says that the worker is running.
//
// Besides the loop it can hold a diary locked for the hostile-input tests:
//   lb_crash_worker change <diary> <seed>
//   lb_crash_worker lock <diary>     (deletes every day without committing,
//                                    holding the write lock; says "L", waits)

#include "core/CsvFile.h"
#include "core/Database.h"
#include "core/DiaryChanges.h"
#include "core/MeterImport.h"

#include <QDate>
#include <QFile>
#include <QMap>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

namespace {

void say(const QString &line)
{
    // One write per line: a line reaches the pipe whole or not at all.
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            std::_Exit(3);
        done += n;
    }
}

class Changer {
public:
    Changer(QString path, unsigned seed) : path_(std::move(path)), rng_(seed) {}

    void run()
    {
        say(QStringLiteral("R"));
        for (;;) {
            const int pick = int(rng_() % 100);
            if (pick < 35)
                add();
            else if (pick < 42)
                import();
            else if (pick < 50)
                meterImport();
            else if (pick < 75)
                edit();
            else if (pick < 85)
                removeOne();
            else
                bulkDelete();
        }
    }

private:
    QString randomKey()
    {
        // A thousand dates, so that adds, edits and deletes meet each other.
        return QDate(2000, 1, 1).addDays(qint64(rng_() % 1000)).toString(QStringLiteral("yyyy-MM-dd"));
    }

    ReadingDay randomDay(const QString &key)
    {
        ReadingDay day;
        day.key = key;
        for (QString &r : day.readings) {
            const unsigned v = rng_() % 10;
            r = v == 0 ? QStringLiteral("-")
                       : QString::number(40 + rng_() % 300) + (v == 1 ? QStringLiteral(".5") : QString());
        }
        return day;
    }

    static QString readingsText(const ReadingDay &day)
    {
        QStringList parts;
        for (const QString &r : day.readings)
            parts << r;
        return parts.join(QLatin1Char(' '));
    }

    // A new day, as the add window stores it: the date must be free.
    void add()
    {
        const ReadingDay day = randomDay(randomKey());
        Database db = Database::open(path_);
        Cursor c(db);
        c.seek(SeekOp::Equal, day.key);
        if (!c.noMatch())
            return;
        say(QStringLiteral("A %1 %2").arg(day.key, readingsText(day)));
        if (DiaryChanges::addDay(c, day))
            fail("the date to add was taken");
        say(QStringLiteral("C"));
    }

    // Up to 30 days from a date as a CSV file, imported: the dates stored
    // already are left out, the others go in with one change.
    void import()
    {
        const QDate first = QDate::fromString(randomKey(), QStringLiteral("yyyy-MM-dd"));
        const auto &names = csv::columnNames();
        QByteArray file = QStringList(names.begin(), names.end()).join(QLatin1Char(',')).toUtf8() + "\n";
        const int count = 1 + int(rng_() % 30);
        for (int i = 0; i < count; ++i) {
            const ReadingDay day = randomDay(first.addDays(i).toString(QStringLiteral("yyyy-MM-dd")));
            QByteArray line = day.key.toUtf8();
            for (const QString &r : day.readings)
                line += ',' + (r == QLatin1String("-") ? QByteArray() : r.toUtf8());
            file += line + "\n";
        }
        csv::ImportPreview preview;
        {
            Database db = Database::open(path_);
            Cursor c(db);
            preview = csv::previewImport(c, csv::readReadings(file, QLocale::c()));
        }
        if (!preview.failure.isEmpty() || !preview.problems.isEmpty())
            fail("the import could not read its own file");
        if (preview.toAdd.isEmpty())
            return;
        QStringList words{QStringLiteral("I")};
        for (const ReadingDay &day : preview.toAdd)
            words << day.key << readingsText(day);
        say(words.join(QLatin1Char(' ')));
        if (csv::applyImport(path_, preview).added != preview.toAdd.size())
            fail("the import added other days than it showed");
        say(QStringLiteral("C"));
    }

    // Up to 20 days from a date as a meter's export, one finger-stick a line:
    // at the target of some times of day, now and then with a second one 20
    // minutes earlier that gives way to it. Half the files are in mg/dL with
    // ISO times, half in mmol/L with ";", dd.MM.yyyy and decimal commas; the
    // diary is in mg/dL. The placed days must be the ones written, else the
    // worker stops: what the parent checks is then what the file meant.
    void meterImport()
    {
        static constexpr int kTargets[kReadingKinds] = {7 * 60 + 30,  9 * 60 + 30,  12 * 60 + 30, 14 * 60 + 30,
                                                        18 * 60 + 30, 20 * 60 + 30, 22 * 60 + 30, 3 * 60};
        const QDate first = QDate::fromString(randomKey(), QStringLiteral("yyyy-MM-dd"));
        const bool mmol = rng_() % 2;
        QList<QByteArray> rows;
        QMap<QString, ReadingDay> expected;
        const int count = 1 + int(rng_() % 20);
        for (int i = 0; i < count; ++i) {
            const QDate date = first.addDays(i);
            ReadingDay day = makeEmptyDay(date.toString(QStringLiteral("yyyy-MM-dd")));
            bool any = false;
            for (int k = 0; k < kReadingKinds; ++k) {
                // Six times of day in ten, and Night when none went before.
                if (rng_() % 10 < 4 && (any || k < kReadingKinds - 1))
                    continue;
                any = true;
                for (const int before : {20, 0}) {
                    if (before && rng_() % 5)
                        continue;
                    const QTime time = QTime(0, 0).addSecs((kTargets[k] - before) * 60);
                    // mg/dL 40 to 339; mmol/L 2.2 to 18.8 in tenths, 18 mg/dL each.
                    const int value = mmol ? 22 + int(rng_() % 167) : 40 + int(rng_() % 300);
                    if (mmol) {
                        rows << date.toString(QStringLiteral("dd.MM.yyyy")).toUtf8() + ';' +
                                time.toString(QStringLiteral("HH:mm")).toUtf8() + ';' + QByteArray::number(value / 10) +
                                ',' + QByteArray::number(value % 10);
                        day.readings[size_t(k)] = QString::number((value * 18 + 5) / 10);
                    } else {
                        rows << date.toString(QStringLiteral("yyyy-MM-dd")).toUtf8() + 'T' +
                                time.toString(QStringLiteral("HH:mm:ss")).toUtf8() + ',' + QByteArray::number(value);
                        day.readings[size_t(k)] = QString::number(value);
                    }
                }
            }
            expected.insert(day.key, day);
        }
        if (rng_() % 2)
            std::reverse(rows.begin(), rows.end()); // placed by their times, not their order
        const QByteArray file =
            (mmol ? QByteArray("Datum;Zeit;Glukose (mmol/L)\n") : QByteArray("Timestamp,Glucose Value (mg/dL)\n")) +
            rows.join('\n') + '\n';

        meter::PlaceOptions place;
        place.diaryUnit = GlucoseUnit::MgPerDl;
        const meter::MeterPreview preview = meter::previewMeterImport(path_, file, {}, place);
        if (preview.file.status != meter::FileRead::Status::Read || !preview.file.unused.isEmpty())
            fail("the meter import could not read its own file");
        for (const ReadingDay &day : preview.diary.toAdd)
            if (expected.value(day.key) != day)
                fail("the meter import placed other readings than its file held");
        if (preview.diary.toAdd.isEmpty())
            return;
        QStringList words{QStringLiteral("M")};
        for (const ReadingDay &day : preview.diary.toAdd)
            words << day.key << readingsText(day);
        say(words.join(QLatin1Char(' ')));
        if (csv::applyImport(path_, preview.diary).added != preview.diary.toAdd.size())
            fail("the meter import added other days than it showed");
        say(QStringLiteral("C"));
    }

    static ReadingDay makeEmptyDay(const QString &key)
    {
        ReadingDay day;
        day.key = key;
        day.readings.fill(QStringLiteral("-"));
        return day;
    }

    // A stored day moved to a free date (or kept on its own) with new
    // readings, as the edit window stores it.
    void edit()
    {
        Database db = Database::open(path_);
        Cursor c(db);
        c.seek(SeekOp::AtLeast, randomKey());
        if (c.noMatch())
            return;
        const QString old = c.row().key;
        const QString key = rng_() % 3 == 0 ? old : randomKey();
        if (key != old) {
            c.seek(SeekOp::Equal, key);
            if (!c.noMatch())
                return;
        }
        const ReadingDay day = randomDay(key);
        say(QStringLiteral("E %1 %2 %3").arg(old, key, readingsText(day)));
        if (!DiaryChanges::replaceDay(c, old, day))
            fail("the day to edit vanished");
        say(QStringLiteral("C"));
    }

    // The browser's delete of the shown day.
    void removeOne()
    {
        Database db = Database::open(path_);
        Cursor c(db);
        c.seek(SeekOp::AtLeast, randomKey());
        if (c.noMatch())
            return;
        const QString key = c.key();
        say(QStringLiteral("D %1").arg(key));
        if (!DiaryChanges::deleteDay(c, key).deleted)
            fail("the day to delete vanished");
        say(QStringLiteral("C"));
    }

    // Every day before a date, as the bulk delete removes them.
    void bulkDelete()
    {
        Database db = Database::open(path_);
        Cursor c(db);
        if (c.eof())
            return;
        c.moveFirst();
        const QString bound = QDate::fromString(c.key(), QStringLiteral("yyyy-MM-dd"))
                                  .addDays(qint64(1 + rng_() % 12))
                                  .toString(QStringLiteral("yyyy-MM-dd"));
        say(QStringLiteral("B %1").arg(bound));
        if (DiaryChanges::deleteDaysBefore(c, bound).nothingBefore)
            fail("no day before the bound");
        say(QStringLiteral("C"));
    }

    [[noreturn]] static void fail(const char *why)
    {
        say(QStringLiteral("X %1").arg(QLatin1String(why)));
        std::_Exit(2);
    }

    QString path_;
    std::mt19937 rng_;
};

// Holds the diary's write lock until killed, as another program would.
int holdLock(const QString &path)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    // A cache of a few pages makes the engine write part of the change into
    // the diary itself before the commit, as it does with a large change: the
    // file is then half changed for as long as the lock is held.
    if (sqlite3_exec(db, "PRAGMA cache_size = 2; BEGIN EXCLUSIVE; DELETE FROM BLOOD", nullptr, nullptr, nullptr) !=
        SQLITE_OK)
        return 2;
    say(QStringLiteral("L"));
    for (;;)
        ::pause();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "change") == 0) {
        try {
            Changer(QFile::decodeName(argv[2]), unsigned(std::strtoul(argv[3], nullptr, 10))).run();
        } catch (const StoreError &e) {
            say(QStringLiteral("X %1").arg(e.message()));
            return 2;
        }
    }
    if (argc == 3 && std::strcmp(argv[1], "lock") == 0)
        return holdLock(QFile::decodeName(argv[2]));
    std::fprintf(stderr, "usage: %s change <diary> <seed> | lock <diary>\n", argv[0]);
    return 1;
}
