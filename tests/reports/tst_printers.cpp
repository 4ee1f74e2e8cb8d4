// The installed printers of a real print system: a private print server with
// two PDF queues, started by the test command (private-cups.sh) and reached
// through CUPS_SERVER. The queues are listed, chosen by name in any letter
// case, and a report printed to one arrives as a PDF file that is read back.

#include "PdfReader.h"
#include "core/DateKey.h"
#include "platform/QtPrinting.h"
#include "printing/ChartPrinting.h"
#include "printing/PrinterChoice.h"
#include "printing/Reports.h"
#include "support/FakePrinting.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineSeries>
#include <QPrintDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cmath>

namespace {

const QString queue = QStringLiteral("Levelbook_PDF");
const QString second = QStringLiteral("Ward_Office");

// A view for a chart the test makes. The view begins with a chart of its own,
// which it lets go without deleting it when it is given another.
struct ChartView : QChartView {
    QChart *const first = chart();
    ~ChartView() override
    {
        if (chart() != first)
            delete first;
    }
};

// Runs a client command of the print system against the private server.
QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// lpadmin lives outside an ordinary user's search path.
void setSystemDefault(const QString &name)
{
    QProcess p;
    p.start(QStringLiteral("/usr/sbin/lpadmin"), {QStringLiteral("-d"), name});
    QVERIFY2(
        p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
        qPrintable(QStringLiteral("lpadmin -d %1 failed: %2").arg(name, QString::fromUtf8(p.readAllStandardError()))));
}

struct Rig {
    FakeServices fakes;
    QtReportPrinter printer;
    FakePrinterDialog dialog;
    FakeClipboard clipboard;

    Services services()
    {
        Services s = fakes.services();
        s.printer = &printer;
        s.printerDialog = &dialog;
        s.clipboard = &clipboard;
        return s;
    }
};

} // namespace

class TestPrinters : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString out = qEnvironmentVariable("LEVELBOOK_CUPS_OUT");

    QStringList outputFiles() const { return QDir(out).entryList({QStringLiteral("*.pdf")}, QDir::Files); }

    // Waits until the queues are empty and a PDF file not among `before` has
    // arrived; returns its path.
    QString arrived(const QStringList &before)
    {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < 60000) {
            const bool idle = run(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty();
            for (const QString &f : outputFiles())
                if (!before.contains(f) && idle && readPdf(out + QLatin1Char('/') + f).ok)
                    return out + QLatin1Char('/') + f;
            QTest::qWait(200);
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet("CUPS_SERVER") || out.isEmpty())
            QSKIP("needs the private print server that the test command starts (ctest)");
        // The server's start leaves the reason beside the queues' folder when
        // this machine cannot run a print server at all.
        QFile reason(out + QStringLiteral("/../skip"));
        if (reason.open(QIODevice::ReadOnly))
            QSKIP(qPrintable(QStringLiteral("no private print server here: ") +
                             QString::fromUtf8(reason.readAll()).trimmed()));
        QVERIFY2(QFile::exists(qEnvironmentVariable("CUPS_SERVER")), "the private print server is not running");
    }

    void theQueuesAreInstalledAndTheDefaultIsFollowedUntilAChoice()
    {
        setSystemDefault(queue);
        Rig rig;
        const QStringList installed = rig.printer.installedPrinters();
        QVERIFY2(installed.contains(queue) && installed.contains(second), qPrintable(installed.join(' ')));
        QVERIFY(rig.printer.tracksDefaultPrinter());
        QCOMPARE(rig.printer.deviceName(), queue);
        QVERIFY(!rig.printer.setup().driverName.isEmpty());

        // The system's default changes: the report printer follows it ...
        setSystemDefault(second);
        QCOMPARE(rig.printer.deviceName(), second);
        // ... until the user has chosen a printer.
        Services s = rig.services();
        rig.dialog.confirmPrinter(second.toLower());
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.dialog.presets.last().deviceName, second);
        setSystemDefault(queue);
        QVERIFY(!rig.printer.tracksDefaultPrinter());
        QCOMPARE(rig.printer.deviceName(), second);
    }

    void aNameInOtherLettersSelectsTheInstalledPrinter()
    {
        setSystemDefault(queue);
        Rig rig;
        Services s = rig.services();
        rig.dialog.confirmPrinter(QStringLiteral("ward_OFFICE"));
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.deviceName(), second);
        rig.dialog.confirmPrinter(QStringLiteral("LEVELBOOK_PDF"));
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.deviceName(), queue);
        // The same printer again keeps it; an unknown one changes nothing.
        rig.dialog.confirmPrinter(queue);
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.deviceName(), queue);
        rig.dialog.confirmPrinter(QStringLiteral("NO SUCH PRINTER"));
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.deviceName(), queue);
        // From a PDF file back to a queue.
        rig.dialog.confirmFile(dir.filePath(QStringLiteral("x.pdf")));
        QVERIFY(choosePrinter(s, nullptr));
        QVERIFY(rig.printer.deviceName().isEmpty());
        rig.dialog.confirmPrinter(QStringLiteral("levelbook_pdf"));
        QVERIFY(choosePrinter(s, nullptr));
        QCOMPARE(rig.printer.deviceName(), queue);
        QVERIFY(rig.printer.setup().outputFile.isEmpty());
    }

    void aReportPrintedToTheQueueArrivesAsPdf()
    {
        setSystemDefault(second);
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, consecutiveDays(60));
        Rig rig;
        Services s = rig.services();
        rig.dialog.confirmPrinter(QStringLiteral("levelbook_pdf"));
        QVERIFY(choosePrinter(s, nullptr));

        ReportRequest r;
        r.databasePath = diary;
        r.databaseName = QStringLiteral("Ann Smith");
        r.startDate = QDate(2013, 1, 1);
        r.endDate = QDate(2013, 2, 20);
        r.startKey = dateKey(r.startDate);
        r.endKey = dateKey(r.endDate);
        const QStringList before = outputFiles();
        QCOMPARE(PrintReadingsReport(*s.printer, r).kind, PrintOutcome::Kind::Printed);

        const QString pdf = arrived(before);
        QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
        const PdfDocument doc = readPdf(pdf);
        QCOMPARE(doc.pages.size(), 3);
        const Grid grid{rig.printer.printableArea()};
        const PdfPage &page = doc.pages[0];
        QVERIFY(page.size.height() > page.size.width());
        QCOMPARE(lineText(page, grid, 4), QStringLiteral("NAME: Ann Smith"));
        QCOMPARE(lineText(page, grid, 5), QStringLiteral("DATES: 01/01/2013 To 02/20/2013"));
        QCOMPARE(lineText(page, grid, 6), QStringLiteral("PAGE #: 1 OF 3"));
        QVERIFY(std::abs(wordsOnLine(page, grid, 4).first().left - 10) < 0.3);
        QCOMPARE(wordsOnLine(page, grid, 11).first().text, ShortDate(QStringLiteral("2013-01-01")));
        QCOMPARE(wordsOnLine(doc.pages[1], grid, 11).first().text, ShortDate(QStringLiteral("2013-02-20")));
        QCOMPARE(lineText(doc.pages[2], grid, 7), QStringLiteral("Summary Page"));
        QFile::remove(pdf);
    }

    void aChartPrintedToTheQueueArrivesOnALandscapePage()
    {
        Rig rig;
        rig.dialog.confirmPrinter(QStringLiteral("LEVELBOOK_PDF"));
        ChartView view;
        auto *chart = new QChart;
        auto *series = new QLineSeries;
        for (int i = 0; i < 31; ++i)
            series->append(i, 100 + (i * 13) % 60);
        chart->addSeries(series);
        chart->setTitle(QStringLiteral("Night"));
        view.setChart(chart);
        view.resize(665, 345);
        view.show();
        QApplication::processEvents();

        const QStringList before = outputFiles();
        Services s = rig.services();
        QCOMPARE(PrintChart(s, &view, chart).kind, PrintOutcome::Kind::Printed);
        QCOMPARE(rig.printer.orientation(), ReportPrinter::Orientation::Portrait);
        const QString pdf = arrived(before);
        QVERIFY2(!pdf.isEmpty(), "no PDF came out of the queue");
        const PdfDocument doc = readPdf(pdf);
        QCOMPARE(doc.pages.size(), 1);
        // A printer's sheet is upright; the chart runs across it, so its
        // title reads from bottom to top.
        const PdfPage &page = doc.pages[0];
        QVERIFY(page.size.height() > page.size.width());
        const auto title = std::find_if(page.words.begin(), page.words.end(),
                                        [](const PdfWord &w) { return w.text == QLatin1String("Night"); });
        QVERIFY(title != page.words.end());
        QVERIFY(title->box.height() > 2 * title->box.width());
        QFile::remove(pdf);
    }

    void theDesktopDialogListsTheQueues()
    {
        QtPrinterSelectionDialog dialog;
        PrinterSetup current;
        current.deviceName = queue;
        QStringList listed;
        QString preset;
        QTimer::singleShot(0, this, [&] {
            auto *d = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            QVERIFY(d);
            for (QComboBox *box : d->findChildren<QComboBox *>()) {
                if (box->findText(second) < 0)
                    continue;
                for (int i = 0; i < box->count(); ++i)
                    listed << box->itemText(i);
                preset = box->currentText();
                box->setCurrentIndex(box->findText(second));
            }
            d->accept();
        });
        PrinterSetup chosen;
        QVERIFY(dialog.choose(nullptr, current, chosen));
        QVERIFY2(listed.contains(queue) && listed.contains(second), qPrintable(listed.join(' ')));
        QCOMPARE(preset, queue);
        QCOMPARE(chosen.deviceName, second);
        QVERIFY(chosen.outputFile.isEmpty());
    }

    void cleanupTestCase()
    {
        if (qEnvironmentVariableIsSet("CUPS_SERVER"))
            setSystemDefault(queue);
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TestPrinters test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_printers.moc"
