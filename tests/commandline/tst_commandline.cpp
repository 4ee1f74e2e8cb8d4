// `levelbook export|import|report|list|--help` run as a separate process with
// no display: what each prints, its exit status, one line on standard error
// for every failure, the files it writes, and that nothing but import
// changes a diary. The report's PDF holds the pages the report window prints.

#include "../reports/PdfReader.h"

#include "platform/QtPrinting.h"
#include "printing/Reports.h"
#include "printing/StandardDayPrinting.h"
#include "support/TestSupport.h"

#include <QPrinter>
#include <QProcess>
#include <QProcessEnvironment>
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

    // Runs the program without any display, on the test's data folder.
    Run run(QStringList args)
    {
        for (QString &a : args)
            a.replace(QStringLiteral("DIR/"), folder() + QLatin1Char('/'));
        args << QStringLiteral("--data-folder") << folder();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
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

    void helpListsTheCommands()
    {
        const Run r = run({QStringLiteral("--help")});
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.isEmpty());
        for (const char *usage :
             {"levelbook export NAME --from DATE --to DATE [-o FILE]", "levelbook import NAME FILE [--dry-run]",
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
        FakeServices fakes;
        QtReportPrinter printer;
        Services services = fakes.services();
        services.printer = &printer;
        printer.useOutputFile(at(QStringLiteral("window.pdf")));
        ReportRequest request;
        request.databasePath = at(QStringLiteral("Ann Smith.bcl"));
        request.databaseName = QStringLiteral("Ann Smith");
        request.startKey = QStringLiteral("2013-01-01");
        request.endKey = QStringLiteral("2013-12-31");
        request.startDate = QDate(2013, 1, 1);
        request.endDate = QDate(2013, 12, 31);
        if (summaryOnly)
            PrintSummaryOnly(services, nullptr, request);
        else
            PrintReadingsReport(services, nullptr, request);

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
                                  QDate(2013, 3, 1), QDate(2013, 3, 31)),
                 StandardDayPrinted::Printed);
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
