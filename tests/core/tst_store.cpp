// The diary file and its cursor, date keys and their short form, diary names:
// the store of the core alone, linked without any window.

#include "DiaryGenerator.h"
#include "core/Database.h"
#include "core/DateKey.h"
#include "core/DiaryFile.h"
#include "core/DiaryPath.h"
#include "support/DiaryFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <sqlite3.h>

namespace {

QStringList keysForward(Cursor &c)
{
    QStringList keys;
    if (c.bof() && c.eof())
        return keys;
    for (c.moveFirst(); !c.eof(); c.moveNext())
        keys << c.key();
    return keys;
}

QStringList keysBackward(Cursor &c)
{
    QStringList keys;
    if (c.bof() && c.eof())
        return keys;
    for (c.moveLast(); !c.bof(); c.movePrevious())
        keys << c.key();
    return keys;
}

// How opening the file fails; opening must fail.
StoreError::Kind openFails(const QString &path)
{
    try {
        Database::open(path);
    } catch (const StoreError &e) {
        return e.kind();
    }
    qWarning("%s opened as a diary", qPrintable(path));
    return StoreError::Kind::Exists; // never expected from open
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return diaryPath(dir.path(), name); }

private slots:
    void generatedLargestDiaryHoldsEveryDateWithRealisticReadings()
    {
        const QString p = path(QStringLiteral("Generated Largest.bcl"));
        writeGeneratedDiary(p, largestDiary());
        Database db = Database::open(p, Database::Access::ReadOnly);
        Cursor c(db);
        QCOMPARE(c.key(), QStringLiteral("2000-01-01"));
        int days = 0, missing = 0, tenths = 0;
        QDate expected(2000, 1, 1);
        bool inOrder = true;
        for (; !c.eof(); c.moveNext(), expected = expected.addDays(1), ++days) {
            const ReadingDay &d = c.row();
            inOrder = inOrder && d.key == dateKey(expected);
            for (const QString &r : d.readings) {
                if (r == missingReading()) {
                    ++missing;
                    continue;
                }
                bool ok = false;
                const double v = r.toDouble(&ok);
                QVERIFY2(ok && v >= 40 && v < 220, qPrintable(d.key + QLatin1Char(' ') + r));
                tenths += r.contains(QLatin1Char('.'));
            }
        }
        QVERIFY(inOrder);
        QCOMPARE(days, 36525);
        QCOMPARE(expected, QDate(2100, 1, 1));
        const int total = days * kReadingKinds;
        QVERIFY(missing > total / 40 && missing < total / 8);
        QVERIFY(tenths > total / 8 && tenths < total / 2);
        // The same shape gives the same days; another seed other readings.
        DiaryShape other = largestDiary();
        QCOMPARE(generatedDay(largestDiary(), 1234), generatedDay(largestDiary(), 1234));
        other.seed += 1;
        QVERIFY(generatedDay(other, 1234).readings != generatedDay(largestDiary(), 1234).readings);
        // Writing over a diary is refused.
        QVERIFY_THROWS_EXCEPTION(StoreError, writeGeneratedDiary(p, DiaryShape{1}));
    }

    void emptyTableIsBothBeginAndEnd()
    {
        const QString p = path(QStringLiteral("Empty One.bcl"));
        writeDiary(p, {});
        Database db = Database::open(p);
        Cursor c(db);
        QVERIFY(c.bof());
        QVERIFY(c.eof());
        QVERIFY_THROWS_EXCEPTION(StoreError, c.moveFirst());
        QVERIFY_THROWS_EXCEPTION(StoreError, c.moveLast());
        QVERIFY_THROWS_EXCEPTION(StoreError, c.row());
        c.seek(SeekOp::AtLeast, QStringLiteral("2000-01-01"));
        QVERIFY(c.noMatch());
    }

    void keysWalkInDateOrderAcrossMonthAndYearEnds()
    {
        const QString p = path(QStringLiteral("Order Test.bcl"));
        writeDiary(p,
                   {makeDay("2013-10-01"), makeDay("2012-12-31"), makeDay("2013-09-30"), makeDay("2013-01-01"),
                    makeDay("2099-12-31"), makeDay("2000-01-01")});
        Database db = Database::open(p);
        Cursor c(db);
        QCOMPARE(c.key(), QStringLiteral("2000-01-01")); // a fresh cursor stands on the first row
        const QStringList forward{"2000-01-01", "2012-12-31", "2013-01-01", "2013-09-30", "2013-10-01", "2099-12-31"};
        QCOMPARE(keysForward(c), forward);
        QVERIFY(c.eof());
        QStringList backward = forward;
        std::reverse(backward.begin(), backward.end());
        QCOMPARE(keysBackward(c), backward);
        QVERIFY(c.bof());
        // From either end the next move comes back in.
        c.moveNext();
        QCOMPARE(c.key(), QStringLiteral("2000-01-01"));
        c.moveLast();
        c.moveNext();
        QVERIFY(c.eof());
        QVERIFY_THROWS_EXCEPTION(StoreError, c.moveNext());
        c.movePrevious();
        QCOMPARE(c.key(), QStringLiteral("2099-12-31"));
    }

    void seeksFindExactAndAtOrAfter()
    {
        const QString p = path(QStringLiteral("Seek Test.bcl"));
        writeDiary(p, {makeDay("2013-09-17"), makeDay("2013-09-20"), makeDay("2013-10-02")});
        Database db = Database::open(p);
        Cursor c(db);

        c.seek(SeekOp::Equal, QStringLiteral("2013-09-20"));
        QVERIFY(!c.noMatch());
        QCOMPARE(c.key(), QStringLiteral("2013-09-20"));

        c.seek(SeekOp::Equal, QStringLiteral("2013-09-18"));
        QVERIFY(c.noMatch());
        QVERIFY_THROWS_EXCEPTION(StoreError, c.row());

        c.seek(SeekOp::AtLeast, QStringLiteral("2013-09-18"));
        QVERIFY(!c.noMatch());
        QCOMPARE(c.key(), QStringLiteral("2013-09-20"));

        c.seek(SeekOp::AtLeast, QStringLiteral("2000-01-01"));
        QCOMPARE(c.key(), QStringLiteral("2013-09-17"));

        c.seek(SeekOp::AtLeast, QStringLiteral("2013-10-03"));
        QVERIFY(c.noMatch());

        // A seek that finds clears an earlier miss; walking goes on from it.
        c.seek(SeekOp::Equal, QStringLiteral("2013-09-17"));
        QVERIFY(!c.noMatch());
        c.moveNext();
        QCOMPARE(c.key(), QStringLiteral("2013-09-20"));
    }

    void deleteThenMoveReachesNeighbours()
    {
        const QString p = path(QStringLiteral("Delete Test.bcl"));
        writeDiary(p, {makeDay("2013-01-01"), makeDay("2013-01-02"), makeDay("2013-01-03")});
        Database db = Database::open(p);
        Cursor c(db);

        c.seek(SeekOp::Equal, QStringLiteral("2013-01-02"));
        c.remove();
        QVERIFY_THROWS_EXCEPTION(StoreError, c.row());
        c.moveNext();
        QCOMPARE(c.key(), QStringLiteral("2013-01-03"));

        c.remove(); // the last row
        c.moveNext();
        QVERIFY(c.eof());
        c.movePrevious();
        QCOMPARE(c.key(), QStringLiteral("2013-01-01"));

        c.remove(); // the only row left
        c.moveNext();
        QVERIFY(c.eof());
        c.movePrevious();
        QVERIFY(c.bof());
        QVERIFY(readDiary(p).isEmpty());
    }

    void walksSeeEveryChangeMadeOnTheWay()
    {
        const QString p = path(QStringLiteral("Walk Test.bcl"));
        QList<ReadingDay> days;
        for (int d = 1; d <= 19; d += 2) // odd dates only: 01, 03, ... 19
            days << makeDay(QStringLiteral("2013-01-%1").arg(d, 2, 10, QLatin1Char('0')));
        writeDiary(p, days);
        const auto on = [](Cursor &c) { return c.key().right(2).toInt(); };

        Database db = Database::open(p);
        Cursor c(db);
        c.moveFirst();
        c.moveNext();
        QCOMPARE(on(c), 3);
        c.append(makeDay("2013-01-04")); // just ahead of the walk
        c.moveNext();
        QCOMPARE(on(c), 4);
        c.moveNext();
        c.moveNext();
        QCOMPARE(on(c), 7);
        c.remove();
        c.moveNext();
        QCOMPARE(on(c), 9);
        c.movePrevious();
        QCOMPARE(on(c), 5);
        c.moveNext();
        c.moveNext();
        QCOMPARE(on(c), 11);
        c.seek(SeekOp::AtLeast, QStringLiteral("2013-01-14"));
        QCOMPARE(on(c), 15);
        {
            // A change committed half way through a walk.
            Database::Transaction t(db);
            c.moveNext();
            QCOMPARE(on(c), 17);
            c.append(makeDay("2013-01-18"));
            c.moveNext();
            QCOMPARE(on(c), 18);
            c.moveNext();
            t.commit();
        }
        QCOMPARE(on(c), 19);
        c.moveNext();
        QVERIFY(c.eof());
        c.movePrevious();
        QCOMPARE(on(c), 19);

        // And backwards.
        c.movePrevious();
        c.movePrevious();
        QCOMPARE(on(c), 17);
        c.append(makeDay("2013-01-16")); // just behind the walk
        c.movePrevious();
        QCOMPARE(on(c), 16);
        c.movePrevious();
        c.remove(); // 15
        c.movePrevious();
        QCOMPARE(on(c), 13);
        c.moveNext();
        QCOMPARE(on(c), 16);
        QStringList back;
        for (c.movePrevious(); !c.bof(); c.movePrevious())
            back << c.key().right(2);
        QCOMPARE(back, QStringList({"13", "11", "09", "05", "04", "03", "01"}));
        c.moveNext();
        QCOMPARE(on(c), 1);
        QCOMPARE(readDiary(p).size(), 11);
    }

    void readingNumbersMatchTheirText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "95" << 95.0;
        QTest::newRow("tenths") << "120.5" << 120.5;
        QTest::newRow("leading zeros") << "007" << 7.0;
        QTest::newRow("second point ends it") << "1.2.3" << 1.2;
        QTest::newRow("trailing point") << "12." << 12.0;
        QTest::newRow("no whole part") << ".5" << 0.5;
        QTest::newRow("point alone") << "." << 0.0;
        QTest::newRow("spaces and sign") << "  -4.25x" << -4.25;
        QTest::newRow("plus") << "+3" << 3.0;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("many digits") << "12345678901234567.5" << 12345678901234567.5;
        QTest::newRow("many decimals") << "0.1234567890123456789" << 0.1234567890123456789;
    }
    void readingNumbersMatchTheirText()
    {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingNumber(text), value);
    }

    void readingNumbersRoundAsTheDecimalText()
    {
        // Every short reading a person can type: the number must be the one
        // the decimal text names, to the last bit, or averages drift.
        for (int tenths = 0; tenths <= 99999; ++tenths) {
            for (const QString &text :
                 {QString::number(tenths),
                  QString::number(tenths / 10) + QLatin1Char('.') + QString::number(tenths % 10)}) {
                const double expected = std::strtod(text.toLatin1().constData(), nullptr);
                if (leadingNumber(text) != expected)
                    QFAIL(qPrintable(text));
            }
        }
        for (const char *text : {"0.01", "3.14159", "99.99", "0.000001", "123456789012345"})
            QCOMPARE(leadingNumber(QString::fromLatin1(text)), std::strtod(text, nullptr));
    }

    void readingsAreStoredAsTyped()
    {
        const QString p = path(QStringLiteral("Texts Test.bcl"));
        writeDiary(p, {});
        {
            Database db = Database::open(p);
            Cursor c(db);
            ReadingDay day;
            day.key = QStringLiteral("2013-09-17");
            day.readings[0] = QStringLiteral("120.5");
            day.readings[1] = QStringLiteral("12.5.3");
            day.readings[7] = QStringLiteral(".");
            c.append(day); // the empty ones become "-"
        }
        const QList<ReadingDay> back = readDiary(p);
        QCOMPARE(back.size(), 1);
        QCOMPARE(back[0].readings[0], QStringLiteral("120.5"));
        QCOMPARE(back[0].readings[1], QStringLiteral("12.5.3"));
        QCOMPARE(back[0].readings[7], QStringLiteral("."));
        for (int i = 2; i < 7; ++i)
            QCOMPARE(back[0].readings[size_t(i)], QStringLiteral("-"));
    }

    void oneRowPerDate()
    {
        const QString p = path(QStringLiteral("Unique Test.bcl"));
        writeDiary(p, {makeDay("2013-01-01", {"90"})});
        Database db = Database::open(p);
        Cursor c(db);
        QVERIFY_THROWS_EXCEPTION(StoreError, c.append(makeDay("2013-01-01", {"100"})));
        QCOMPARE(readDiary(p).value(0).readings[0], QStringLiteral("90"));
    }

    void transactionIsAllOrNothing()
    {
        const QString p = path(QStringLiteral("Txn Test.bcl"));
        writeDiary(p, {makeDay("2013-01-01", {"90"})});
        {
            Database db = Database::open(p);
            Database::Transaction t(db);
            Cursor c(db);
            c.seek(SeekOp::Equal, QStringLiteral("2013-01-01"));
            c.remove();
            c.append(makeDay("2013-01-05", {"95"}));
            // no commit: as if the next step had failed
        }
        QCOMPARE(readDiary(p), QList<ReadingDay>{makeDay("2013-01-01", {"90"})});
    }

    void createMakesASoundEmptyDiary()
    {
        const QString p = path(QStringLiteral("Ann Smith.bcl"));
        Database::create(p);
        QVERIFY(QFile::exists(p));
        QVERIFY(readDiary(p).isEmpty());

        sqlite3 *raw = nullptr;
        sqlite3_open(QFile::encodeName(p).constData(), &raw);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(raw, "PRAGMA application_id", -1, &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(st, 0), kDiaryApplicationId);
        sqlite3_finalize(st);
        sqlite3_prepare_v2(raw, "SELECT group_concat(name || ':' || type, ',') FROM pragma_table_info('BLOOD')", -1,
                           &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0))),
                 QStringLiteral("Bdate:TEXT(15),Bfast:TEXT(6),Afast:TEXT(6),Blunch:TEXT(6),Alunch:TEXT(6),"
                                "Bdinner:TEXT(6),Adinner:TEXT(6),Bedtime:TEXT(6),Night:TEXT(6)"));
        sqlite3_finalize(st);
        sqlite3_close(raw);

        // A second create of the same name touches nothing.
        writeDiary(path(QStringLiteral("Bob Jones.bcl")), {makeDay("2013-01-01")});
        try {
            Database::create(path(QStringLiteral("Bob Jones.bcl")));
            QFAIL("created over an existing diary");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::Exists);
        }
        QCOMPARE(readDiary(path(QStringLiteral("Bob Jones.bcl"))).size(), 1);

        // Creating in a folder that is not there fails and leaves nothing.
        QVERIFY_THROWS_EXCEPTION(StoreError, Database::create(path(QStringLiteral("nowhere/Ann Smith.bcl"))));
        const QStringList leftovers = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        for (const QString &f : leftovers)
            QVERIFY2(f.endsWith(QLatin1String(".bcl")), qPrintable(f));
    }

    void filesThatAreNotDiariesAreRefused()
    {
        QFile text(path(QStringLiteral("Text File.bcl")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("These are not readings.\n");
        text.close();
        QCOMPARE(openFails(text.fileName()), StoreError::Kind::NotADiary);

        const QString empty = path(QStringLiteral("Zero Bytes.bcl"));
        QFile(empty).open(QIODevice::WriteOnly);
        QCOMPARE(openFails(empty), StoreError::Kind::NotADiary);

        const QString other = path(QStringLiteral("Other App.bcl"));
        rawSql(other,
               "CREATE TABLE BLOOD (Bdate TEXT, Bfast TEXT, Afast TEXT, Blunch TEXT, Alunch TEXT,"
               " Bdinner TEXT, Adinner TEXT, Bedtime TEXT, Night TEXT);"
               "CREATE INDEX Readings ON BLOOD (Bdate)");
        QCOMPARE(openFails(other), StoreError::Kind::NotADiary); // not marked as ours

        const QString noIndex = path(QStringLiteral("No Index.bcl"));
        writeDiary(noIndex, {makeDay("2013-01-01")});
        rawSql(noIndex, "DROP INDEX Readings");
        QCOMPARE(openFails(noIndex), StoreError::Kind::NotADiary);

        const QString noTable = path(QStringLiteral("No Table.bcl"));
        writeDiary(noTable, {});
        rawSql(noTable, "DROP TABLE BLOOD");
        QCOMPARE(openFails(noTable), StoreError::Kind::NotADiary);

        QCOMPARE(openFails(path(QStringLiteral("Not There.bcl"))), StoreError::Kind::Missing);
        QCOMPARE(openFails(dir.path()), StoreError::Kind::NotADiary); // a folder
    }

    void emptyFieldMakesTheRowUnreadable()
    {
        const QString p = path(QStringLiteral("Null Field.bcl"));
        writeDiary(p, {makeDay("2013-01-01", {"90"}), makeDay("2013-01-02", {"91"})});
        rawSql(p,
               "UPDATE BLOOD SET Night = NULL WHERE Bdate = '2013-01-02';"
               "UPDATE BLOOD SET Afast = '' WHERE Bdate = '2013-01-01'");
        Database db = Database::open(p);
        Cursor c(db);
        c.moveLast();
        try {
            c.row();
            QFAIL("read a row with an empty field");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::NotADiary);
        }
        c.moveFirst();
        QVERIFY_THROWS_EXCEPTION(StoreError, c.row());
        QCOMPARE(c.key(), QStringLiteral("2013-01-01")); // the walk itself still works
    }

    void aDateStoredAsBytesEndsTheWalk()
    {
        // The engine sorts raw bytes after every text: a step on from such a
        // date finds the same row again, and a walk must not go round for ever.
        const QString p = path(QStringLiteral("Bytes.bcl"));
        writeDiary(p, consecutiveDays(3));
        rawSql(p, "UPDATE BLOOD SET Bdate = CAST(Bdate AS BLOB) WHERE Bdate = '2013-01-03'");
        Database db = Database::open(p, Database::Access::ReadOnly);
        Cursor c(db);
        int steps = 0;
        try {
            for (; !c.eof() && steps < 10; ++steps)
                c.moveNext();
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::NotADiary);
        }
        QVERIFY(steps <= 3);

        // A step on from that date, looked up afresh, finds the same row
        // again: the diary is called damaged rather than walked for ever.
        c.seek(SeekOp::AtLeast, QStringLiteral("2013-01-03"));
        QVERIFY(!c.noMatch());
        try {
            c.moveNext();
            QFAIL("stepped on from a date out of order");
        } catch (const StoreError &e) {
            QCOMPARE(e.kind(), StoreError::Kind::NotADiary);
        }
    }

    void dateKeysAndTheirShortForm()
    {
        QCOMPARE(dateKey(QDate(2013, 5, 7)), QStringLiteral("2013-05-07"));
        QCOMPARE(dateFromKey(QStringLiteral("2013-09-17")), QDate(2013, 9, 17));
        QVERIFY(!dateFromKey(QStringLiteral("2013-9-17")).isValid());
        for (const char *notAKey :
             {"2013-02-30", "2013-13-01", "0000-01-01", "2013-1a-01", "+013-01-01", "2013/09/17", "2013-09-17 "})
            QVERIFY2(!dateFromKey(QString::fromLatin1(notAKey)).isValid(), notAKey);
        QCOMPARE(dateFromKey(QStringLiteral("2099-12-31")), QDate(2099, 12, 31));

        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(ShortDate(QStringLiteral("2013-09-17"), us), QStringLiteral("9/17/2013"));
        QCOMPARE(ShortDate(QStringLiteral("2000-01-01"), us), QStringLiteral("1/1/2000"));
        const QLocale de(QLocale::German, QLocale::Germany);
        QCOMPARE(ShortDate(QStringLiteral("2013-09-17"), de), QStringLiteral("17.09.2013"));
        const QLocale gb(QLocale::English, QLocale::UnitedKingdom);
        QCOMPARE(ShortDate(QStringLiteral("2013-09-17"), gb), QStringLiteral("17/09/2013"));
        // Text that is no key is shown as it is.
        QCOMPARE(ShortDate(QStringLiteral("someday"), us), QStringLiteral("someday"));
    }

    void diaryNames()
    {
        QCOMPARE(diaryFileName(QStringLiteral("Ann"), QStringLiteral("Smith")), QStringLiteral("Ann Smith.bcl"));
        QCOMPARE(diaryFileName({}, {}), QStringLiteral(" .bcl"));
        QCOMPARE(diaryFileName(QStringLiteral(" Ann"), QStringLiteral("Smith ")), QStringLiteral(" Ann Smith .bcl"));
        QCOMPARE(diaryPersonName(QStringLiteral("Ann Smith.bcl")), QStringLiteral("Ann Smith"));

        QVERIFY(diaryNameProblem(QStringLiteral("Ann Smith.bcl")).isEmpty());
        QVERIFY(diaryNameProblem(QStringLiteral(" .bcl")).isEmpty());
        QVERIFY(diaryNameProblem(QStringLiteral(".. x.bcl")).isEmpty()); // stays in the folder
        QVERIFY(diaryNameProblem(QStringLiteral("Zoë Ångström.bcl")).isEmpty());
        QVERIFY(!diaryNameProblem(QStringLiteral("../etc Smith.bcl")).isEmpty());
        QVERIFY(!diaryNameProblem(QStringLiteral("a\\b c.bcl")).isEmpty());
        QVERIFY(!diaryNameProblem(QStringLiteral("Ann\tSmith.bcl")).isEmpty());
        QVERIFY(!diaryNameProblem(QStringLiteral("Ann\nSmith.bcl")).isEmpty());
        QVERIFY(!diaryNameProblem(QString(300, QLatin1Char('a')) + QStringLiteral(".bcl")).isEmpty());
    }

    void diariesAreListedAlphabetically()
    {
        QTemporaryDir folder;
        for (const char *name :
             {"Zed Last.bcl", "ann smith.bcl", "Bob Jones.bcl", "notes.txt", "Ann Smith.bcl.damaged"})
            QFile(folder.path() + QLatin1Char('/') + QLatin1String(name)).open(QIODevice::WriteOnly);
        QDir(folder.path()).mkdir(QStringLiteral("Folder.bcl"));
        QCOMPARE(listDiaries(folder.path()), (QStringList{"ann smith.bcl", "Bob Jones.bcl", "Zed Last.bcl"}));
    }
};

QTEST_MAIN(TestStore)
#include "tst_store.moc"
