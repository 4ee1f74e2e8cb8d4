// `levelbook export|import|report|list|--help` run as a separate process with
// no display: what each prints, its exit status, one line on standard error
// for every failure, the files it writes, and that nothing but import
// changes a diary. The report's PDF holds the pages the report window prints.
// A meter's export goes through the same import: its readings land in the
// times of day the sample files' README gives.

#include "../reports/PdfReader.h"
#include "core/MeterImport.h"
#include "platform/QtPrinting.h"
#include "printing/Reports.h"
#include "printing/StandardDayPrinting.h"
#include "support/TestSupport.h"

#include <QPrinter>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

const QByteArray kHeader =
    "Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,After Dinner,Bedtime,Night\r\n";

// A schedule unlike the usual one: Pre-Lunch ends at 12:00, so a reading at
// 12:38 is After Lunch.
meter::Schedule earlyLunch()
{
    meter::Schedule s = meter::defaultSchedule();
    s.spans[2].target = 11 * 60 + 30; // Pre-Lunch, 11:00-12:00
    s.spans[3].start = 12 * 60;       // After Lunch, 12:00-16:30
    return s;
}

QList<ReadingDay> annsDays()
{
    return {
        makeDay("2013-03-01", {"120", "150", "-", "95.5", "100", "180", "130", "-"}),
        makeDay("2013-03-02", {"150"}),
        makeDay("2013-03-05", {"5", "999", "5", "999", "5", "999", "5", "999"}),
    };
}

// The words of every page, with their places rounded to a tenth of a point.
QStringList pageWords(const PdfDocument &doc)
{
    QStringList out;
    for (qsizetype p = 0; p < doc.pages.size(); ++p)
        for (const PdfWord &w : doc.pages[p].words)
            out << QStringLiteral("%1 %2 %3,%4")
                       .arg(p)
                       .arg(w.text)
                       .arg(qRound(w.box.left() * 10))
                       .arg(qRound(w.box.top() * 10));
    return out;
}

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder() const { return dir_.path(); }
    QString at(const QString &name) const { return dir_.path() + QLatin1Char('/') + name; }

    // Runs the program without any display, on the test's data folder; with
    // `home`, the user's settings are those kept there.
    Run run(QStringList args, const QString &home = {})
    {
        for (QString &a : args)
            a.replace(QStringLiteral("DIR/"), folder() + QLatin1Char('/'));
        args << QStringLiteral("--data-folder") << folder();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        if (!home.isEmpty()) {
            env.insert(QStringLiteral("HOME"), home);
            env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        }
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(LEVELBOOK_PROGRAM), args);
        Run r;
        if (!p.waitForFinished(120000))
            return r;
        r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = p.readAllStandardOutput();
        r.err = p.readAllStandardError();
        return r;
    }

    void freshFolder()
    {
        for (const QString &name : QDir(folder()).entryList(QDir::Files | QDir::Hidden))
            QFile::remove(at(name));
        writeDiary(at(QStringLiteral("Ann Smith.bcl")), annsDays());
        writeDiary(at(QStringLiteral("Bob Jones.bcl")), {});
    }

private slots:
    void commandsAnswerWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("csv"); // the file readings.csv given to the run
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QString>("written");      // a file the run leaves, and its bytes after a "="
        QTest::addColumn<QStringList>("annAfter"); // Ann's days afterwards; empty: as they were

        const QByteArray nothing;
        const QString none;
        const QStringList same;
        QTest::newRow("list") << QStringList{"list"} << nothing << 0 << QByteArray("Ann Smith\nBob Jones\n") << nothing
                              << none << same;
        QTest::newRow("export to standard output")
            << QStringList{"export", "Ann Smith", "--from", "2013-03-01", "--to", "2013-03-04"} << nothing << 0
            << kHeader + "2013-03-01,120,150,,95.5,100,180,130,\r\n2013-03-02,150,,,,,,,\r\n"
            << nothing << none << same;
        QTest::newRow("export to a file")
            << QStringList{"export", "Ann Smith", "--from=2013-03-05", "--to=2099-12-31", "-o", "DIR/out.csv"}
            << nothing << 0 << QByteArray("1 date written to DIR/out.csv\n") << nothing
            << QString::fromLatin1(kHeader + "2013-03-05,5,999,5,999,5,999,5,999\r\n") << same;
        QTest::newRow("export, start after end")
            << QStringList{"export", "Ann Smith", "--from", "2013-03-05", "--to", "2013-03-04"} << nothing << 2
            << nothing << QByteArray("levelbook: The date range has been set incorrectly.\n") << none << same;
        QTest::newRow("export, nothing from the start on")
            << QStringList{"export", "Ann Smith", "--from", "2013-03-06", "--to", "2013-03-09", "-o", "DIR/out.csv"}
            << nothing << 1 << nothing << QByteArray("levelbook: Thee are no readings to print.\n") << none << same;
        QTest::newRow("export, nothing in the range")
            << QStringList{"export", "Ann Smith", "--from", "2013-03-03", "--to", "2013-03-04"} << nothing << 1
            << nothing << QByteArray("levelbook: There are no readings to print.\n") << none << same;
        QTest::newRow("export, no such diary")
            << QStringList{"export", "Zed Zed", "--from", "2013-03-03", "--to", "2013-03-04"} << nothing << 2 << nothing
            << QByteArray("levelbook: there is no diary \"Zed Zed\" in DIR (see levelbook --help)\n") << none << same;
        QTest::newRow("export, a date that is none")
            << QStringList{"export", "Ann Smith", "--from", "2013-02-30", "--to", "2013-03-04"} << nothing << 2
            << nothing
            << QByteArray("levelbook: --from \"2013-02-30\" is not a date written yyyy-MM-dd (see levelbook --help)\n")
            << none << same;
        QTest::newRow("export, a name that leaves the folder")
            << QStringList{"export", "../Ann Smith", "--from", "2013-03-01", "--to", "2013-03-04"} << nothing << 2
            << nothing << QByteArray("levelbook: \"../Ann Smith\" is no name of a diary (see levelbook --help)\n")
            << none << same;
        QTest::newRow("an unknown command")
            << QStringList{"erase", "Ann Smith"} << nothing << 2 << nothing
            << QByteArray("levelbook: unknown command \"erase\" (see levelbook --help)\n") << none << same;
        QTest::newRow("an option the command does not take")
            << QStringList{"list", "--dry-run"} << nothing << 2 << nothing
            << QByteArray("levelbook: list takes no --dry-run (see levelbook --help)\n") << none << same;

        const QByteArray file = "Date;Pre-Breakfast;Night\n2013-03-02;7;\n2013-03-03;101;8.5\nsoon;1;2\n";
        const QByteArray preview = "1 date would be added.\n1 date is stored already and is kept as it is.\n"
                                   "1 line cannot be used:\nLine 4: The date \"soon\" cannot be read.\n";
        QTest::newRow("import, dry run") << QStringList{"import", "Ann Smith", "DIR/readings.csv", "--dry-run"} << file
                                         << 0 << preview << nothing << none << same;
        QTest::newRow("import") << QStringList{"import", "Ann Smith", "DIR/readings.csv"} << file << 0
                                << preview + "1 date was added.\n"
                                << nothing << none
                                << QStringList{"2013-03-01|120|150|-|95.5|100|180|130|-",
                                               "2013-03-02|150|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                                               "2013-03-05|5|999|5|999|5|999|5|999"};
        QTest::newRow("import, nothing new")
            << QStringList{"import", "Ann Smith", "DIR/readings.csv"}
            << QByteArray("Date,Night\n2013-03-01,5\n2013-03-05,6\n") << 1
            << QByteArray("0 dates would be added.\n2 dates are stored already and are kept as they are.\n")
            << QByteArray("levelbook: Nothing was imported: the file holds no date to add.\n") << none << same;
        QTest::newRow("import, a file that is no readings")
            << QStringList{"import", "Ann Smith", "DIR/readings.csv"} << QByteArray("Date,Night\n\"2013-03-03,5\n") << 1
            << nothing
            << QByteArray("levelbook: The quote opened on line 2 is never closed. This is not a file of readings.\n")
            << none << same;
        QTest::newRow("import, no such file")
            << QStringList{"import", "Ann Smith", "DIR/gone.csv"} << nothing << 2 << nothing
            << QByteArray("levelbook: there is no file \"DIR/gone.csv\" (see levelbook --help)\n") << none << same;
        QTest::newRow("report, nothing to print")
            << QStringList{"report", "Ann Smith", "--from", "2013-04-01", "--to", "2013-04-30", "-o", "DIR/r.pdf"}
            << nothing << 1 << nothing << QByteArray("levelbook: Thee are no readings to print.\n") << none << same;
        QTest::newRow("report needs a file")
            << QStringList{"report", "Ann Smith", "--from", "2013-04-01", "--to", "2013-04-30"} << nothing << 2
            << nothing << QByteArray("levelbook: report needs -o (see levelbook --help)\n") << none << same;
    }
    void commandsAnswerWithoutADisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, csv);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(QString, written);
        QFETCH(QStringList, annAfter);
        freshFolder();
        if (!csv.isEmpty())
            writeBytes(at(QStringLiteral("readings.csv")), csv);
        const auto before = snapshot(folder());

        const Run r = run(args);
        QCOMPARE(r.status, status);
        err.replace("DIR", folder().toUtf8());
        out.replace("DIR", folder().toUtf8());
        QCOMPARE(r.err, err);
        QCOMPARE(r.out, out);

        auto after = snapshot(folder());
        if (!written.isEmpty())
            QCOMPARE(after.take(QStringLiteral("out.csv")), written.toUtf8());
        if (annAfter.isEmpty()) {
            QCOMPARE(after, before);
        } else {
            QStringList days;
            for (const ReadingDay &d : readDiary(at(QStringLiteral("Ann Smith.bcl"))))
                days << d.key + QLatin1Char('|') +
                        QStringList(d.readings.begin(), d.readings.end()).join(QLatin1Char('|'));
            QCOMPARE(days, annAfter);
        }
    }

    // A meter's export, from the sample files or written here, imported into
    // one of three diaries: Ann's (mg/dL readings of 2013), Bob's (empty) and
    // Cat's (mg/dL, 2026-03-14 stored already). The user's settings are a
    // fresh folder of the test's for every row.
    void meterExportsImported_data()
    {
        QTest::addColumn<QString>("diary");
        QTest::addColumn<QString>("sample");   // a file of tests/data/meters, or empty
        QTest::addColumn<QByteArray>("bytes"); // else the file's bytes
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("remembered"); // the early-lunch schedule remembered in the settings
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("err");    // exact; "~" at the start: a part of it
        QTest::addColumn<QByteArray>("outEnd"); // the last lines printed
        QTest::addColumn<QStringList>("added"); // the diary's dates that were not there; empty: nothing changed

        const QStringList none;
        const QByteArray quiet;
        const QString ann = QStringLiteral("Ann Smith"), bob = QStringLiteral("Bob Jones"),
                      cat = QStringLiteral("Cat Lee");
        const QStringList dry{"--dry-run"};
        const QStringList fill{"--sensor-fill"};
        const QByteArray one = "1 date was added.\n", two = "2 dates were added.\n";

        // The sample files, into a mg/dL diary: what their README gives.
        QTest::newRow("title line, mmol/L, dry run")
            << ann << "sensor-app-mmol.csv" << quiet << dry << false << 0 << quiet
            << QByteArray("The new dates, reading by reading:\n"
                          "2026-03-14 Pre-Breakfast 113: 07:25, scan, in Pre-Breakfast (05:00-08:00); 6.3 mmol/L in "
                          "the file\n"
                          "2026-03-14 Pre-Lunch 106: 12:41, scan, in Pre-Lunch (11:00-13:00); 5.9 mmol/L in the file\n")
            << none;
        QTest::newRow("title line, mmol/L into mg/dL") << ann << "sensor-app-mmol.csv" << quiet << none << false << 0
                                                       << quiet << one << QStringList{"2026-03-14|113|-|106|-|-|-|-|-"};
        QTest::newRow("title line, sensor filling")
            << ann << "sensor-app-mmol.csv" << quiet << fill << false << 0 << quiet << two
            << QStringList{"2026-03-14|113|160|106|-|-|-|-|-", "2026-03-15|-|-|-|-|-|-|-|94"};
        QTest::newRow("ISO times, a calibration, Low") << ann << "cgm-iso-mgdl.csv" << quiet << none << false << 0
                                                       << quiet << one << QStringList{"2026-03-14|104|-|-|-|-|-|-|-"};
        QTest::newRow("headerless quoted dump") << ann << "headerless-quoted.csv" << quiet << none << false << 0
                                                << quiet << one << QStringList{"2026-03-14|118|171|96|-|-|144|131|-"};
        QTest::newRow("sensor block and finger-sticks, filled")
            << ann << "sensor-diary-semicolon.csv" << quiet << fill << false << 0 << quiet << two
            << QStringList{"2026-03-14|105|168|-|-|-|-|-|-", "2026-03-15|-|-|-|-|-|-|-|92"};
        QTest::newRow("12-hour logbook with tags")
            << ann << "logbook-12h.csv" << quiet << none << false << 0 << quiet << two
            << QStringList{"2026-03-14|112|158|101|-|-|-|127|-", "2026-03-15|-|-|-|-|-|-|-|88"};

        // A stored date is never changed; a file giving only stored dates adds nothing.
        QTest::newRow("a stored date untouched") << cat << "logbook-12h.csv" << quiet << none << false << 0 << quiet
                                                 << one << QStringList{"2026-03-15|-|-|-|-|-|-|-|88"};
        QTest::newRow("only a stored date")
            << cat << "sensor-app-mmol.csv" << quiet << none << false << 1
            << QByteArray("levelbook: Nothing was imported: the file holds no date to add.\n") << quiet << none;

        // The unit: an empty diary's is the file's unless given; a file's that
        // leaves it open must be given.
        QTest::newRow("empty diary, the file's unit")
            << bob << "meter-semicolon-flags.csv" << quiet << none << false << 0 << quiet << one
            << QStringList{"2026-03-14|6.2|9.1|5.4|-|-|-|7.7|-"};
        QTest::newRow("empty diary in mmol/L")
            << bob << "meter-semicolon-flags.csv" << quiet << QStringList{"--unit", "mmol/L"} << false << 0 << quiet
            << one << QStringList{"2026-03-14|6.2|9.1|5.4|-|-|-|7.7|-"};
        QTest::newRow("empty diary in mg/dL")
            << bob << "meter-semicolon-flags.csv" << quiet << QStringList{"--unit=mg/dL"} << false << 0 << quiet << one
            << QStringList{"2026-03-14|112|164|97|-|-|-|139|-"};
        const QByteArray small = "Date,Time,Glucose\n2026-03-14,07:30,6\n2026-03-14,12:30,7\n";
        QTest::newRow("a file without its unit")
            << ann << QString() << small << none << false << 2
            << QByteArray("levelbook: the file does not say the unit of its readings: give it with --unit mg/dL or "
                          "--unit mmol/L (see levelbook --help)\n")
            << quiet << none;
        QTest::newRow("a file's unit given") << ann << QString() << small << QStringList{"--unit", "mmol/L"} << false
                                             << 0 << quiet << one << QStringList{"2026-03-14|108|-|126|-|-|-|-|-"};
        QTest::newRow("a unit that is none")
            << ann << QString() << small << QStringList{"--unit", "mg"} << false << 2
            << QByteArray("levelbook: --unit \"mg\" is neither mg/dL nor mmol/L (see levelbook --help)\n") << quiet
            << none;

        // Day and month that cannot be told apart.
        const QByteArray slashes = "Date,Time,Glucose (mg/dL)\n03/04/2026,07:30,120\n03/04/2026,21:45,140\n";
        QTest::newRow("day and month open")
            << ann << QString() << slashes << none << false << 2
            << QByteArray("~--date-order day-first or --date-order month-first") << quiet << none;
        QTest::newRow("day first") << ann << QString() << slashes << QStringList{"--date-order", "day-first"} << false
                                   << 0 << quiet << one << QStringList{"2026-04-03|120|-|-|-|-|-|140|-"};
        QTest::newRow("month first") << ann << QString() << slashes << QStringList{"--date-order", "month-first"}
                                     << false << 0 << quiet << one << QStringList{"2026-03-04|120|-|-|-|-|-|140|-"};

        // The schedule: a file's, the remembered one, and files that are none.
        QTest::newRow("schedule file") << ann << "logbook-12h.csv" << quiet
                                       << QStringList{"--schedule", "DIR/schedule.txt"} << false << 0 << quiet << two
                                       << QStringList{"2026-03-14|112|158|-|101|-|-|127|-",
                                                      "2026-03-15|-|-|-|-|-|-|-|88"};
        QTest::newRow("remembered schedule")
            << ann << "logbook-12h.csv" << quiet << none << true << 0 << quiet << two
            << QStringList{"2026-03-14|112|158|-|101|-|-|127|-", "2026-03-15|-|-|-|-|-|-|-|88"};
        QTest::newRow("schedule file that is no schedule")
            << ann << "logbook-12h.csv" << quiet << QStringList{"--schedule", "DIR/readings.csv"} << false << 2
            << QByteArray("~levelbook: The schedule file \"DIR/readings.csv\" cannot be used: Line 1: ") << quiet
            << none;
        QTest::newRow("no schedule file")
            << ann << "logbook-12h.csv" << quiet << QStringList{"--schedule", "DIR/gone.txt"} << false << 2
            << QByteArray("levelbook: there is no schedule file \"DIR/gone.txt\" (see levelbook --help)\n") << quiet
            << none;

        // Files the command line cannot take.
        QTest::newRow("columns not found")
            << ann << QString() << QByteArray("When,Level\n2026-03-14 07:30,120\n2026-03-14 12:30,101\n") << none
            << false << 1 << QByteArray("~could not be found in this file. The import window") << quiet << none;
        QTest::newRow("a zip file") << ann << QString() << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) << none
                                    << false << 1 << QByteArray("~save it as CSV") << quiet << none;
        QTest::newRow("a zip file for an empty diary")
            << bob << QString() << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) << none << false << 1
            << QByteArray("~save it as CSV") << quiet << none;
        QTest::newRow("a meter option for the diary's own columns")
            << ann << QString() << QByteArray(kHeader + "2013-03-03,101,,,,,,,\r\n") << fill << false << 2
            << QByteArray("levelbook: --sensor-fill is for a meter's export; \"DIR/readings.csv\" has the diary's "
                          "own columns (see levelbook --help)\n")
            << quiet << none;
    }
    void meterExportsImported()
    {
        QFETCH(QString, diary);
        QFETCH(QString, sample);
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(bool, remembered);
        QFETCH(int, status);
        QFETCH(QByteArray, err);
        QFETCH(QByteArray, outEnd);
        QFETCH(QStringList, added);

        freshFolder();
        writeDiary(at(QStringLiteral("Cat Lee.bcl")),
                   {makeDay("2026-03-14", {"99", "-", "-", "-", "-", "-", "-", "70"})});
        if (!sample.isEmpty()) {
            QFile file(QStringLiteral(METER_SAMPLES "/") + sample);
            QVERIFY(file.open(QIODevice::ReadOnly));
            bytes = file.readAll();
        }
        writeBytes(at(QStringLiteral("readings.csv")), bytes);
        writeBytes(at(QStringLiteral("schedule.txt")), meter::scheduleText(earlyLunch()).toUtf8());
        QTemporaryDir home;
        QVERIFY(home.isValid());
        if (remembered) {
            QSettings settings(home.path() + QStringLiteral("/.config/Levelbook/Levelbook.conf"), QSettings::IniFormat);
            meter::rememberSchedule(settings, earlyLunch());
        }
        const QString path = at(diary + QStringLiteral(".bcl"));
        QStringList before;
        for (const ReadingDay &d : readDiary(path))
            before << d.key + QLatin1Char('|') +
                    QStringList(d.readings.begin(), d.readings.end()).join(QLatin1Char('|'));
        const auto files = snapshot(folder());

        const Run r = run(QStringList{"import", diary, "DIR/readings.csv"} + options, home.path());
        err.replace("DIR", folder().toUtf8());
        if (err.startsWith('~'))
            QVERIFY2(r.err.contains(err.mid(1)), r.err.constData());
        else
            QCOMPARE(r.err, err);
        QCOMPARE(r.status, status);
        QVERIFY2(r.out.endsWith(outEnd), r.out.constData());
        if (added.isEmpty()) {
            QCOMPARE(snapshot(folder()), files);
            QVERIFY2(!r.out.contains("was added.") && !r.out.contains("were added."), r.out.constData());
            return;
        }
        QStringList after;
        for (const ReadingDay &d : readDiary(path))
            after << d.key + QLatin1Char('|') +
                    QStringList(d.readings.begin(), d.readings.end()).join(QLatin1Char('|'));
        QStringList expected = before + added;
        expected.sort();
        QCOMPARE(after, expected);
    }

    void helpListsTheCommands()
    {
        const Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.isEmpty());
        for (const char *usage :
             {"levelbook export NAME --from DATE --to DATE [-o FILE]", "levelbook import NAME FILE [--dry-run]",
              "--schedule FILE", "--sensor-fill", "--unit mg/dL|mmol/L", "--date-order day-first|month-first",
              "levelbook report NAME --from DATE --to DATE [--summary-only] -o FILE.pdf",
              "levelbook report NAME --standard-day --from DATE --to DATE -o FILE.pdf", "levelbook list",
              "--data-folder DIR"})
            QVERIFY2(r.out.contains(usage), usage);
    }

    void reportPrintsThePagesOfTheReportWindow_data()
    {
        QTest::addColumn<bool>("summaryOnly");
        QTest::addColumn<int>("pages");
        QTest::newRow("with readings") << false << 3;
        QTest::newRow("summary page only") << true << 1;
    }
    void reportPrintsThePagesOfTheReportWindow()
    {
        QFETCH(bool, summaryOnly);
        QFETCH(int, pages);
        freshFolder();
        // Sixty dates: two pages of lines and the summary page.
        QList<ReadingDay> days = consecutiveDays(60, QDate(2013, 1, 1));
        QFile::remove(at(QStringLiteral("Ann Smith.bcl")));
        writeDiary(at(QStringLiteral("Ann Smith.bcl")), days);
        QStringList args{"report", "Ann Smith", "--from", "2013-01-01", "--to", "2013-12-31", "-o", "DIR/cli.pdf"};
        if (summaryOnly)
            args << QStringLiteral("--summary-only");
        const auto before = snapshot(folder());
        const Run r = run(args);
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.status, 0);

        // The same report printed as the window prints it.
        QtReportPrinter printer;
        printer.useOutputFile(at(QStringLiteral("window.pdf")));
        ReportRequest request;
        request.databasePath = at(QStringLiteral("Ann Smith.bcl"));
        request.databaseName = QStringLiteral("Ann Smith");
        request.startKey = QStringLiteral("2013-01-01");
        request.endKey = QStringLiteral("2013-12-31");
        request.startDate = QDate(2013, 1, 1);
        request.endDate = QDate(2013, 12, 31);
        QVERIFY((summaryOnly ? PrintSummaryOnly(printer, request) : PrintReadingsReport(printer, request)).printed());

        const PdfDocument cli = readPdf(at(QStringLiteral("cli.pdf")));
        const PdfDocument window = readPdf(at(QStringLiteral("window.pdf")));
        QVERIFY(cli.ok && window.ok);
        QCOMPARE(cli.pages.size(), pages);
        QCOMPARE(pageWords(cli), pageWords(window));
        // Nothing but the PDF file was added.
        auto after = snapshot(folder());
        after.remove(QStringLiteral("cli.pdf"));
        after.remove(QStringLiteral("window.pdf"));
        QCOMPARE(after, before);
    }

    void standardDayPrintsTheWindowsPage()
    {
        freshFolder();
        const auto before = snapshot(folder());
        const Run r = run({"report", "Ann Smith", "--standard-day", "--from", "2013-03-01", "--to", "2013-03-31", "-o",
                           "DIR/day.pdf"});
        QCOMPARE(r.err, QByteArray());
        QCOMPARE(r.status, 0);

        // The page the window prints for the same diary and range.
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(at(QStringLiteral("window.pdf")));
        QCOMPARE(printStandardDay(printer, at(QStringLiteral("Ann Smith.bcl")), QStringLiteral("Ann Smith"),
                                  QDate(2013, 3, 1), QDate(2013, 3, 31))
                     .kind,
                 PrintOutcome::Kind::Printed);
        const PdfDocument cli = readPdf(at(QStringLiteral("day.pdf")));
        const PdfDocument window = readPdf(at(QStringLiteral("window.pdf")));
        QVERIFY(cli.ok && window.ok);
        QCOMPARE(cli.pages.size(), 1);
        QCOMPARE(pageWords(cli), pageWords(window));
        QVERIFY(pageWords(cli).join(QLatin1Char(' ')).contains(QLatin1String("Smith")));

        // A range without a counted reading prints nothing and says so.
        const Run empty = run({"report", "Ann Smith", "--standard-day", "--from", "2014-01-01", "--to", "2014-12-31",
                               "-o", "DIR/none.pdf"});
        QCOMPARE(empty.status, 1);
        QVERIFY(empty.err.contains("There are no readings to print."));
        QVERIFY(!QFile::exists(at(QStringLiteral("none.pdf"))));
        auto after = snapshot(folder());
        after.remove(QStringLiteral("day.pdf"));
        after.remove(QStringLiteral("window.pdf"));
        QCOMPARE(after, before);
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
