// Readings out to a CSV file and in from one, on the store alone: the file
// another reader sees, what is read from the files of other programs, files
// that are no readings at all, and an import that is whole or nothing.

#include "DiaryGenerator.h"
#include "core/CsvFile.h"
#include "core/Database.h"
#include "support/DiaryFiles.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

QStringList problemTexts(const QList<csv::LineProblem> &problems)
{
    QStringList out;
    for (const csv::LineProblem &p : problems)
        out << csv::problemText(p);
    return out;
}

// Three days and their neighbours, with the texts another program may have
// stored: a comma, a quote, a line break.
QList<ReadingDay> sampleDays()
{
    return {
        makeDay("2013-02-27", {"999"}),
        makeDay("2013-03-01", {"120", "150", "-", "95.5", "100", "180", "130", "-"}),
        makeDay("2013-03-02", {"5,6", "say \"hi\"", "a\nb", "", "", "", "", "7"}),
        makeDay("2013-03-03", {}),
        makeDay("2013-03-09", {"1"}),
    };
}

const QByteArray kHeader =
    "Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,After Dinner,Bedtime,Night\r\n";

// Bytes made as they are read: `head` once, then `repeat` over and over, up
// to `total` bytes, so that a test can offer a file of any size without
// holding or writing it. Counts what was read.
class Endless final : public QIODevice {
public:
    Endless(QByteArray head, QByteArray repeat, qint64 total)
        : head_(std::move(head)), repeat_(std::move(repeat)), total_(total)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }
    qint64 consumed = 0;
    qint64 piece = 1 << 30; // the most one read hands out

protected:
    qint64 readData(char *data, qint64 max) override
    {
        qint64 n = 0;
        for (; n < max && n < piece && consumed < total_; ++n, ++consumed) {
            data[n] = consumed < head_.size() ? head_[consumed] : repeat_[(consumed - head_.size()) % repeat_.size()];
        }
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray head_, repeat_;
    qint64 total_;
};

} // namespace

class TestCsv : public QObject {
    Q_OBJECT

private slots:
    void exportWritesTheRangeAsTheFileAsks_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("content");
        using O = csv::ExportResult::Outcome;
        QTest::newRow("the range, quoted where a field needs it") << "2013-03-01"
                                                                  << "2013-03-05" << int(O::Written)
                                                                  << kHeader +
                "2013-03-01,120,150,,95.5,100,180,130,\r\n"
                "2013-03-02,\"5,6\",\"say \"\"hi\"\"\",\"a\nb\",,,,,7\r\n"
                "2013-03-03,,,,,,,,\r\n";
        QTest::newRow("one date") << "2013-02-27"
                                  << "2013-02-27" << int(O::Written) << kHeader + "2013-02-27,999,,,,,,,\r\n";
        QTest::newRow("from before the first date to after the last")
            << "2000-01-01"
            << "9999-12-31" << int(O::Written) << QByteArray();
        QTest::newRow("start after the last date") << "2013-03-10"
                                                   << "2013-12-31" << int(O::NoDateFromStart) << QByteArray("<absent>");
        QTest::newRow("between two dates") << "2013-03-04"
                                           << "2013-03-08" << int(O::NoDateInRange) << QByteArray("<absent>");
    }
    void exportWritesTheRangeAsTheFileAsks()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(int, outcome);
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, sampleDays());
        const QByteArray diaryBefore = bytesOf(diary);
        const QString target = dir.filePath(QStringLiteral("out.csv"));

        const csv::ExportResult r = csv::exportToFile(diary, start, end, target);
        QCOMPARE(int(r.outcome), outcome);
        if (content.isEmpty()) { // every day
            QCOMPARE(r.dates, qint64(sampleDays().size()));
            QCOMPARE(bytesOf(target).count("\r\n"), sampleDays().size() + 1);
        } else {
            QCOMPARE(bytesOf(target), content);
        }
        QCOMPARE(bytesOf(diary), diaryBefore);
        // Nothing but the diary and the file is left in the folder.
        QCOMPARE(snapshot(dir.path()).size(), content == "<absent>" ? 1 : 2);
    }

    void exportIsWholeOrNothing_data()
    {
        QTest::addColumn<QString>("harm");
        QTest::addColumn<int>("outcome");
        using O = csv::ExportResult::Outcome;
        QTest::newRow("full disk") << "full disk" << int(O::WriteFailed);
        QTest::newRow("no such folder") << "no such folder" << int(O::WriteFailed);
        QTest::newRow("the diary chosen as the file") << "the diary" << int(O::WriteFailed);
        QTest::newRow("another diary chosen as the file") << "another diary" << int(O::WriteFailed);
        QTest::newRow("a diary that is no diary") << "damaged diary" << int(O::DiaryFailed);
        QTest::newRow("over an older export") << "none" << int(O::Written);
    }
    void exportIsWholeOrNothing()
    {
        QFETCH(QString, harm);
        QFETCH(int, outcome);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, consecutiveDays(3000));
        writeDiary(dir.filePath(QStringLiteral("Bob Jones.bcl")), consecutiveDays(2));
        QString target = dir.filePath(QStringLiteral("out.csv"));
        writeBytes(target, "an older export");
        if (harm == QLatin1String("no such folder"))
            target = dir.filePath(QStringLiteral("gone/out.csv"));
        else if (harm == QLatin1String("the diary"))
            target = diary;
        else if (harm == QLatin1String("another diary"))
            target = dir.filePath(QStringLiteral("Bob Jones.bcl"));
        else if (harm == QLatin1String("damaged diary"))
            writeBytes(diary, bytesOf(diary).left(3000));
        const auto before = snapshot(dir.path());

        csv::ExportResult r;
        {
            std::optional<FileSizeLimit> full;
            if (harm == QLatin1String("full disk"))
                full.emplace(0);
            r = csv::exportToFile(diary, QStringLiteral("2000-01-01"), QStringLiteral("2099-12-31"), target);
        }
        QCOMPARE(int(r.outcome), outcome);
        if (r.outcome == csv::ExportResult::Outcome::Written) {
            QCOMPARE(r.dates, qint64(3000));
            auto after = snapshot(dir.path());
            QVERIFY(after.take(QStringLiteral("out.csv")).startsWith(kHeader + "2013-01-01,"));
            auto unchanged = before;
            unchanged.remove(QStringLiteral("out.csv"));
            QCOMPARE(after, unchanged);
        } else {
            QVERIFY(!r.detail.isEmpty());
            QCOMPARE(snapshot(dir.path()), before);
        }
    }

    void anotherCsvReaderReadsTheExport()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, sampleDays());
        const QString target = dir.filePath(QStringLiteral("out.csv"));
        QCOMPARE(int(csv::exportToFile(diary, "2000-01-01", "2099-12-31", target).outcome),
                 int(csv::ExportResult::Outcome::Written));

        QProcess p;
        p.start(python,
                {QStringLiteral("-c"),
                 QStringLiteral("import csv, json, sys\n"
                                "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                                "    print(json.dumps(list(csv.reader(f, strict=True))))\n"),
                 target});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), 0);
        const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();

        QList<QStringList> expected{QStringList(csv::columnNames().begin(), csv::columnNames().end())};
        for (const ReadingDay &d : sampleDays()) {
            QStringList fields{d.key};
            for (const QString &r : d.readings)
                fields << (r == QLatin1String("-") ? QString() : r);
            expected << fields;
        }
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype i = 0; i < rows.size(); ++i)
            QCOMPARE(rows[i].toVariant().toStringList(), expected[i]);
    }

    void readsWhatOtherProgramsWrite_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<QStringList>("problems");
        const QString full = QStringLiteral("2013-09-17|95|140|-|120.5|101|160|110|6");
        QTest::newRow("its own export") << "C" << kHeader + "2013-09-17,95,140,,120.5,101,160,110,6\r\n"
                                        << QStringList{full} << QStringList{};
        QTest::newRow("columns in another order, names in other case and spacing, a column unknown")
            << "C"
            << QByteArray("night,Comment, BEDTIME ,AfterDinner,Pre-Dinner,After  Lunch,pre-lunch,After Breakfast,"
                          "Pre-Breakfast,DATE\n6,\"fine, thanks\",110,160,101,120.5,,140,95,2013-09-17\n")
            << QStringList{full} << QStringList{};
        QTest::newRow("semicolons, a byte-order mark and German dates")
            << "de_DE"
            << QByteArray("\xef\xbb\xbf"
                          "Date;Pre-Breakfast;Night\r\n17.09.2013;95;6\r\n1.2.14;5;\r\n29.02.00;1;2\r\n")
            << QStringList{"2013-09-17|95|-|-|-|-|-|-|6", "2014-02-01|5|-|-|-|-|-|-|-", "2000-02-29|1|-|-|-|-|-|-|2"}
            << QStringList{};
        QTest::newRow("tabs, United States dates, CR line ends, a missing column means not taken")
            << "en_US" << QByteArray("Date\tBedtime\r9/17/2013\t110\r12/31/99\t-\r12/30/99\t7\r")
            << QStringList{"2013-09-17|-|-|-|-|-|-|110|-", "2099-12-30|-|-|-|-|-|-|7|-"}
            << QStringList{"Line 3: The line gives the date \"12/31/99\" no reading."};
        QTest::newRow("decimal commas, quoted in a comma file or bare between semicolons")
            << "C"
            << QByteArray("Date,Pre-Breakfast,Night\n2013-01-01,\"5,6\",\"12,25\"\n"
                          "2013-01-02,\"5,6,7\",\"1,5.5\"\n2013-01-03,\",5\",\"5,\"\n")
            << QStringList{"2013-01-01|5.6|-|-|-|-|-|-|12.25"}
            << QStringList{"Line 3: The Pre-Breakfast reading \"5,6,7\" is not made of digits and \".\"; "
                           "the Night reading \"1,5.5\" is not made of digits and \".\".",
                           "Line 4: The Pre-Breakfast reading \",5\" is not made of digits and \".\"; "
                           "the Night reading \"5,\" is not made of digits and \".\"."};
        QTest::newRow("a date given no reading adds nothing, and its date may come again")
            << "de_DE" << QByteArray("Date;Pre-Breakfast;Night\n17.09.2013;;-\n17.09.2013;4,4;\n18.09.2013; ; \n")
            << QStringList{"2013-09-17|4.4|-|-|-|-|-|-|-"}
            << QStringList{"Line 2: The line gives the date \"17.09.2013\" no reading.",
                           "Line 4: The line gives the date \"18.09.2013\" no reading."};
        QTest::newRow("a line break in a quoted field, blank lines, separators only")
            << "C" << QByteArray("Date,Note,Night\n2013-01-01,\"two\nlines\",5\n\n,,\n2013-01-02,,x\n")
            << QStringList{"2013-01-01|-|-|-|-|-|-|-|5"}
            << QStringList{"Line 6: The Night reading \"x\" is not made of digits and \".\"."};
        QTest::newRow("every line it cannot use, with its number and why")
            << "en_US"
            << QByteArray("Date,Pre-Breakfast,After Breakfast\n"
                          "2013-02-30,1,2\n"
                          "1999-12-31,1,2\n"
                          "2100-01-01,1,2\n"
                          "2013-01-01,12a,1234567\n"
                          "2013-01-02,1,2\n"
                          "1/2/2013,3,4\n"
                          ",1,2\n"
                          "yesterday,1,2\n"
                          "2013-01-03,1,2,3\n"
                          "2013-01-04, 7 , .\n")
            << QStringList{"2013-01-02|1|2|-|-|-|-|-|-", "2013-01-04|7|.|-|-|-|-|-|-"}
            << QStringList{"Line 2: The date \"2013-02-30\" cannot be read.",
                           "Line 3: The date \"1999-12-31\" lies outside 2000\u20132099.",
                           "Line 4: The date \"2100-01-01\" lies outside 2000\u20132099.",
                           "Line 5: The Pre-Breakfast reading \"12a\" is not made of digits and \".\"; "
                           "the After Breakfast reading \"1234567\" is longer than six characters.",
                           "Line 7: The date \"1/2/2013\" is on line 6 already.",
                           "Line 8: There is no date.",
                           "Line 9: The date \"yesterday\" cannot be read.",
                           "Line 10: The line has more fields than the first line names."};
    }
    void readsWhatOtherProgramsWrite()
    {
        QFETCH(QString, locale);
        QFETCH(QByteArray, file);
        QFETCH(QStringList, days);
        QFETCH(QStringList, problems);
        const csv::FileReadings r = csv::readReadings(file, QLocale(locale));
        QCOMPARE(r.failure, QString());
        QCOMPARE(rowTexts(r.days), days);
        QCOMPARE(problemTexts(r.problems), problems);

        // A device handing out a byte at a time reads the same.
        Endless trickle(file, " ", file.size());
        trickle.piece = 1;
        const csv::FileReadings slow = csv::readReadings(trickle, QLocale(locale));
        QCOMPARE(rowTexts(slow.days), days);
        QCOMPARE(problemTexts(slow.problems), problems);
    }

    void refusesFilesThatAreNoReadings_data()
    {
        QTest::addColumn<QByteArray>("head");
        QTest::addColumn<QByteArray>("repeat");
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<qint64>("mostRead");
        const QByteArray header = "Date,Night\r\n";
        QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << QByteArray("\0", 1)
                                << qint64(4096)
                                << "Line 2 holds bytes that no text holds. This is not a file of readings."
                                << qint64(1 << 20);
        QTest::newRow("binary after good lines") << header + "2013-01-01,5\r\n"
                                                 << QByteArray("\x01\x02", 2) << qint64(5000)
                                                 << "Line 3 holds bytes that no text holds. "
                                                    "This is not a file of readings."
                                                 << qint64(5000);
        QTest::newRow("a 100 MB line") << header + "2013-01-01," << QByteArray("1") << qint64(100 << 20)
                                       << "Line 2 is longer than 4096 characters. This is not a file of readings."
                                       << qint64(1 << 20);
        QTest::newRow("a 100 MB first line")
            << QByteArray("Date,") << QByteArray("x") << qint64(100 << 20)
            << "Line 1 is longer than 4096 characters. This is not a file of readings." << qint64(1 << 20);
        QTest::newRow("a quote never closed, to the end") << header + "2013-01-01,\"5\r\n2013-01-02,6\r\n"
                                                          << QByteArray(" ") << qint64(0)
                                                          << "The quote opened on line 2 is never closed. "
                                                             "This is not a file of readings."
                                                          << qint64(1 << 20);
        QTest::newRow("a quote never closed, 100 MB on") << header + "\"2013-01-01,5\r\n"
                                                         << QByteArray("2013-01-02,6\r\n") << qint64(100 << 20)
                                                         << "The quote opened on line 2 is not closed within 4096 "
                                                            "characters. This is not a file of readings."
                                                         << qint64(1 << 20);
        QTest::newRow("1,000,000 lines") << header << QByteArray("2013-01-01,5\r\n") << qint64(1000000) * 14 + 12
                                         << "The file has more than 50000 lines; a diary holds at most 36525 dates. "
                                            "This is not a file of readings."
                                         << qint64(4 << 20);
        QTest::newRow("no Date column") << QByteArray("Day,Night\n2013-01-01,5\n") << QByteArray(" ") << qint64(0)
                                        << "The first line of the file names no column \"Date\". It should read: "
                                           "Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,"
                                           "After Dinner,Bedtime,Night"
                                        << qint64(1 << 20);
        QTest::newRow("a column named twice")
            << QByteArray("Date,Night,NIGHT\n2013-01-01,5,6\n") << QByteArray(" ") << qint64(0)
            << "The column \"Night\" is named twice in the first line of the file." << qint64(1 << 20);
        QTest::newRow("UTF-16") << QByteArray("\xff\xfe"
                                              "D\0a\0t\0e\0",
                                              10)
                                << QByteArray(" ") << qint64(0)
                                << "The file is written in UTF-16. Save it as CSV in UTF-8 and try again."
                                << qint64(1 << 20);
        QTest::newRow("empty") << QByteArray("\xef\xbb\xbf") << QByteArray(" ") << qint64(0) << "The file is empty."
                               << qint64(1 << 20);
    }
    void refusesFilesThatAreNoReadings()
    {
        QFETCH(QByteArray, head);
        QFETCH(QByteArray, repeat);
        QFETCH(qint64, size);
        QFETCH(QString, failure);
        QFETCH(qint64, mostRead);
        if (size == 0) // the head alone
            size = head.size();
        Endless file(head, repeat, size);
        const csv::FileReadings r = csv::readReadings(file, QLocale::c());
        QCOMPARE(r.failure, failure);
        QVERIFY(r.days.isEmpty() && r.problems.isEmpty());
        // It stopped reading soon after the reason to refuse the file.
        QVERIFY2(file.consumed <= mostRead, qPrintable(QString::number(file.consumed)));

        // Through the whole preview: a message and nothing to add.
        if (size < (1 << 20)) {
            QTemporaryDir dir;
            const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
            writeDiary(diary, {});
            Endless again(head, repeat, size);
            writeBytes(dir.filePath(QStringLiteral("in.csv")), again.readAll());
            const csv::ImportPreview p =
                csv::previewImportFile(diary, dir.filePath(QStringLiteral("in.csv")), QLocale::c());
            QCOMPARE(p.failure, failure);
            QVERIFY(!p.usable());
            QCOMPARE(csv::previewLines(p), QStringList{failure});
        }
    }

    void importAddsNewDatesOnlyAndAllInOneChange_data()
    {
        QTest::addColumn<QString>("harm");
        for (const char *harm : {"none", "full disk", "locked", "fails on the way", "stored meanwhile"})
            QTest::newRow(harm) << QString::fromLatin1(harm);
    }
    void importAddsNewDatesOnlyAndAllInOneChange()
    {
        QFETCH(QString, harm);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, {makeDay("2013-01-02", {"1"}), makeDay("2013-01-04", {"2"})});
        const QString file = dir.filePath(QStringLiteral("in.csv"));
        writeBytes(file,
                   "Date,Pre-Breakfast\n2013-01-05,50\n2013-01-04,99\n2013-01-01,51\nnot a date,1\n2013-01-02,\n");

        const csv::ImportPreview p = csv::previewImportFile(diary, file, QLocale::c());
        QCOMPARE(csv::previewLines(p),
                 (QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                              "2 lines cannot be used:", "Line 5: The date \"not a date\" cannot be read.",
                              "Line 6: The line gives the date \"2013-01-02\" no reading."}));
        QCOMPARE(rowTexts(p.toAdd), (QStringList{"2013-01-01|51|-|-|-|-|-|-|-", "2013-01-05|50|-|-|-|-|-|-|-"}));
        QVERIFY(p.usable());

        if (harm == QLatin1String("stored meanwhile"))
            rawSql(diary, "INSERT INTO BLOOD VALUES ('2013-01-05','7','-','-','-','-','-','-','-')");
        // A last day that cannot be read fails the change after the new
        // days went in.
        if (harm == QLatin1String("fails on the way"))
            rawSql(diary, "INSERT INTO BLOOD VALUES ('2013-01-09','','-','-','-','-','-','-','-')");
        const QStringList rowsBefore =
            rowTexts(harm == QLatin1String("fails on the way") ? QList<ReadingDay>{} : readDiary(diary));
        const QByteArray before = bytesOf(diary);
        const std::optional<csv::ImportDone> applied = applyImportHarmed(diary, p, harm);
        const bool failed = !applied;
        const csv::ImportDone done = applied.value_or(csv::ImportDone{});
        if (harm == QLatin1String("full disk") || harm == QLatin1String("locked") ||
            harm == QLatin1String("fails on the way")) {
            QVERIFY(failed);
            QCOMPARE(bytesOf(diary), before);
            QCOMPARE(snapshot(dir.path()).keys(), (QStringList{"Ann Smith.bcl", "in.csv"}));
            if (!rowsBefore.isEmpty())
                QCOMPARE(rowTexts(readDiary(diary)), rowsBefore);
            return;
        }
        QVERIFY(!failed);
        const bool meanwhile = harm == QLatin1String("stored meanwhile");
        QCOMPARE(done.added, meanwhile ? 1 : 2);
        QVERIFY(done.last);
        QCOMPARE(rowText(*done.last), meanwhile ? "2013-01-05|7|-|-|-|-|-|-|-" : "2013-01-05|50|-|-|-|-|-|-|-");
        QCOMPARE(rowTexts(readDiary(diary)),
                 (QStringList{"2013-01-01|51|-|-|-|-|-|-|-", "2013-01-02|1|-|-|-|-|-|-|-", "2013-01-04|2|-|-|-|-|-|-|-",
                              meanwhile ? "2013-01-05|7|-|-|-|-|-|-|-" : "2013-01-05|50|-|-|-|-|-|-|-"}));
    }

    void theLargestDiaryGoesOutAndInByteForByte()
    {
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeGeneratedDiary(diary, largestDiary());
        const QString first = dir.filePath(QStringLiteral("first.csv"));
        const QString second = dir.filePath(QStringLiteral("second.csv"));
        const QString copy = dir.filePath(QStringLiteral("Bob Jones.bcl"));
        Database::create(copy);

        QElapsedTimer clock;
        clock.start();
        const csv::ExportResult out = csv::exportToFile(diary, "2000-01-01", "2099-12-31", first);
        const qint64 exportMs = clock.restart();
        QCOMPARE(out.dates, qint64(36525));
        const csv::ImportPreview p = csv::previewImportFile(copy, first, QLocale::c());
        QVERIFY(p.problems.isEmpty());
        const csv::ImportDone in = csv::applyImport(copy, p);
        const qint64 importMs = clock.restart();
        QCOMPARE(in.added, qint64(36525));
        QCOMPARE(int(csv::exportToFile(copy, "2000-01-01", "2099-12-31", second).outcome),
                 int(csv::ExportResult::Outcome::Written));
        QCOMPARE(bytesOf(second), bytesOf(first));
        QCOMPARE(readDiary(copy), readDiary(diary));
        qInfo("36525 dates: export %lld ms, import %lld ms", exportMs, importMs);
    }
};

QTEST_GUILESS_MAIN(TestCsv)
#include "tst_csv.moc"
