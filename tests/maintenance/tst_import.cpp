// "Import Readings..." of the Urilities menu, driven through the real menu
// item and window: what it shows before anything is written, Import adding
// the new dates in one change and the browser on the last stored date,
// Cancel writing nothing, and files that are no readings ending in a message.

#include "core/StandardDaySettings.h"
#include "maintenance/ImportReadings.h"
#include "readings/CurrReading.h"
#include "support/FakeFiles.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

namespace {

struct Settle {
    ~Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

QStringList listed(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The main frame with a diary of these days open and the file dialog
// answering with `file`.
struct Rig {
    explicit Rig(const QList<ReadingDay> &days, const QByteArray &csv)
    {
        app.frame->services().files = &files;
        writeDiary(diary, days);
        writeBytes(file, csv);
        browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        files.answers << file;
    }
    void chooseImport() { app.frame->action(QStringLiteral("mnuUtilitiesImport"))->trigger(); }

    TestApp app;
    Settle settle;
    FakeFileDialogs files;
    QString diary = app.pathOf(QStringLiteral("Ann Smith.bcl"));
    QString file = app.folder() + QStringLiteral("/readings.csv");
    CurrReading *browser = nullptr;
};

const QByteArray kFile = "Date,Pre-Breakfast,Night\n"
                         "2013-03-05,100,7\n"
                         "2013-03-01,999,\n"
                         "2013-03-33,1,2\n"
                         "2013-03-03,101,8.5\n";

QByteArray sample(const char *name)
{
    QFile f(QStringLiteral(METER_SAMPLES "/%1").arg(QLatin1String(name)));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("no sample %s", name);
    return f.readAll();
}

// The new dates of the grid, as rowTexts gives a diary's.
QStringList gridTexts(const QTableWidget *grid)
{
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < grid->columnCount(); ++c)
            cells << grid->item(r, c)->text();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

// The schedule row of a time of day, by its name.
int scheduleRow(const QTableWidget *schedule, const QString &name)
{
    for (int r = 0; r < schedule->rowCount(); ++r)
        if (schedule->item(r, 0)->text() == name)
            return r;
    qFatal("no schedule row %s", qPrintable(name));
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path());
    }
    void init() { userSettings()->clear(); }

    void importShowsWhatItWouldDoThenAddsOrNot_data()
    {
        QTest::addColumn<QList<ReadingDay>>("stored");
        QTest::addColumn<QString>("press"); // "ImportRds", "Cancel", or "ImportRds on a full disk"
        QTest::addColumn<QStringList>("preview");
        QTest::addColumn<QStringList>("after"); // the diary afterwards
        QTest::addColumn<QString>("shown");     // the browser's date afterwards
        const QList<ReadingDay> one{makeDay("2013-03-01", {"120"})};
        const QStringList previewOne{"1 date would be added.", "1 date is stored already and is kept as it is.",
                                     "1 line cannot be used:"};
        const QStringList oneAfter{"2013-03-01|120|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                                   "2013-03-05|100|-|-|-|-|-|-|7"};
        QTest::newRow("into an empty diary")
            << QList<ReadingDay>{} << "ImportRds"
            << QStringList{"3 dates would be added.", "0 dates are stored already and are kept as they are.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|999|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                           "2013-03-05|100|-|-|-|-|-|-|7"}
            << "3/5/2013";
        QList<ReadingDay> two = one;
        two << makeDay("2013-03-05", {"5"});
        QTest::newRow("stored dates are kept as they are")
            << two << "ImportRds"
            << QStringList{"1 date would be added.", "2 dates are stored already and are kept as they are.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                           "2013-03-05|5|-|-|-|-|-|-|-"}
            << "3/5/2013";
        QList<ReadingDay> later = one;
        later << makeDay("2013-04-01", {"5"});
        QTest::newRow("the browser goes to the last stored date")
            << later << "ImportRds"
            << QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                           "2013-03-05|100|-|-|-|-|-|-|7", "2013-04-01|5|-|-|-|-|-|-|-"}
            << "4/1/2013";
        QTest::newRow("Cancel writes nothing")
            << one << "Cancel"
            << QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-"} << "3/1/2013";
        QTest::newRow("a full disk writes nothing")
            << one << "ImportRds on a full disk"
            << QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-"} << "3/1/2013";
    }
    void importShowsWhatItWouldDoThenAddsOrNot()
    {
        QFETCH(QList<ReadingDay>, stored);
        QFETCH(QString, press);
        QFETCH(QStringList, preview);
        QFETCH(QStringList, after);
        QFETCH(QString, shown);
        Rig rig(stored, kFile);
        QVERIFY(rig.browser);
        const QByteArray before = bytesOf(rig.diary);
        rig.chooseImport();
        QCOMPARE(rig.files.captions, QStringList{"Import Readings"});

        auto *w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QVERIFY(rig.app.shown("ImportReadings"));
        QCOMPARE((QStringList{w->Added->text(), w->Stored->text(), w->Unusable->text()}), preview);
        QCOMPARE(listed(w->Problems), QStringList{"Line 4: The date \"2013-03-33\" cannot be read."});
        QVERIFY(!rig.browser->parentWidget()->isEnabled());
        // Nothing is written before the choice.
        QCOMPARE(bytesOf(rig.diary), before);

        {
            std::optional<FileSizeLimit> full;
            if (press.endsWith(QLatin1String("full disk")))
                full.emplace(0);
            QTest::mouseClick(w->findChild<QPushButton *>(press.section(QLatin1Char(' '), 0, 0)), Qt::LeftButton);
        }
        QApplication::processEvents();
        QCOMPARE(rowTexts(readDiary(rig.diary)), after);
        QCOMPARE(rig.browser->Bdates->text(), shown);
        if (press.endsWith(QLatin1String("full disk"))) {
            QCOMPARE(bytesOf(rig.diary), before);
            QCOMPARE(rig.app.fakes.messages.shown.size(), 1);
            QVERIFY(rig.app.fakes.messages.lastText().startsWith(
                QStringLiteral("The change could not be stored. The diary on disk is as it was before.")));
            QVERIFY(rig.app.window<ImportReadings>("ImportReadings"));
            return;
        }
        if (press == QLatin1String("Cancel"))
            QCOMPARE(bytesOf(rig.diary), before);
        QVERIFY(rig.app.fakes.messages.shown.isEmpty());
        QVERIFY(!rig.app.window<ImportReadings>("ImportReadings"));
        QVERIFY(rig.browser->parentWidget()->isEnabled());
    }

    void filesItCannotUseEndInAMessage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("binary")
            << QByteArray("\x7f"
                          "ELF\x02\x01\x01\0\0\0",
                          10)
            << "This file holds bytes that no text file holds: it is no export of readings. Export the "
               "readings from the meter's program as CSV and import that.";
        QTest::newRow("a quote never closed")
            << QByteArray("Date,Night\n2013-01-01,\"5\n2013-01-02,6\n")
            << "The quote opened on line 2 is never closed. This is not a file of readings.";
        QTest::newRow("a zip file")
            << QByteArray("PK\x03\x04\x14\0\0\0\x08\0", 10)
            << "This is a zip or spreadsheet file: unpack it, or save it as CSV, and import that.";
        QTest::newRow("the question cancelled") << QByteArray() << QString();
    }
    void filesItCannotUseEndInAMessage()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        Rig rig({makeDay("2013-03-01", {"120"})}, file);
        if (file.isEmpty())
            rig.files.answers = {QString()};
        const auto before = snapshot(rig.app.folder());
        rig.chooseImport();
        QVERIFY(!rig.app.window<ImportReadings>("ImportReadings"));
        QCOMPARE(rig.app.fakes.messages.lastText(), message);
        QCOMPARE(snapshot(rig.app.folder()), before);
        QVERIFY(rig.browser->parentWidget()->isEnabled());
        QCOMPARE(rig.browser->Bdate->text(), QStringLiteral("2013-03-01"));
    }

    // A meter's export: the preview as the diary's grid, each cell saying
    // where its reading came from; Import writes the new dates and leaves
    // stored ones, Cancel and a failed write leave the diary as it was.
    void exportShownAsTheDiarysGrid_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<ReadingDay>>("stored");
        QTest::addColumn<QString>("press");
        QTest::addColumn<QStringList>("grid");
        QTest::addColumn<QString>("firstCellWhy"); // a word the first reading's details hold
        const QList<ReadingDay> mg{makeDay("2013-03-01", {"120"})};
        QTest::newRow("mmol/L sensor app into a mg/dL diary")
            << sample("sensor-app-mmol.csv") << mg << "ImportRds" << QStringList{"2026-03-14|113|-|106|-|-|-|-|-"}
            << "scan";
        QTest::newRow("12-hour logbook, Cancel")
            << sample("logbook-12h.csv") << mg << "Cancel"
            << QStringList{"2026-03-14|112|158|101|-|-|-|127|-", "2026-03-15|-|-|-|-|-|-|-|88"} << "Fasting";
        QTest::newRow("a full disk") << sample("headerless-quoted.csv") << mg << "ImportRds on a full disk"
                                     << QStringList{"2026-03-14|118|171|96|-|-|144|131|-"} << "Before";
        QList<ReadingDay> held = mg;
        held << makeDay("2026-03-14", {"99"});
        QTest::newRow("a stored date is kept") << sample("logbook-12h.csv") << held << "ImportRds"
                                               << QStringList{"2026-03-15|-|-|-|-|-|-|-|88"} << "Night";
    }
    void exportShownAsTheDiarysGrid()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<ReadingDay>, stored);
        QFETCH(QString, press);
        QFETCH(QStringList, grid);
        QFETCH(QString, firstCellWhy);
        Rig rig(stored, file);
        const QByteArray before = bytesOf(rig.diary);
        rig.chooseImport();
        auto *w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QVERIFY(rig.app.fakes.messages.shown.isEmpty());
        QCOMPARE(gridTexts(w->NewDates), grid);
        QCOMPARE(bytesOf(rig.diary), before);
        // The first reading of the first new date says where it came from.
        int column = 1;
        while (w->NewDates->item(0, column)->text() == QLatin1String("-"))
            ++column;
        w->NewDates->setCurrentCell(0, column);
        QVERIFY2(w->CellDetails->text().contains(firstCellWhy, Qt::CaseInsensitive),
                 qPrintable(w->CellDetails->text()));
        QCOMPARE(w->NewDates->item(0, column)->toolTip(), w->CellDetails->text());

        {
            std::optional<FileSizeLimit> full;
            if (press.endsWith(QLatin1String("full disk")))
                full.emplace(0);
            QTest::mouseClick(w->findChild<QPushButton *>(press.section(QLatin1Char(' '), 0, 0)), Qt::LeftButton);
        }
        QApplication::processEvents();
        QStringList after = rowTexts(stored);
        if (press == QLatin1String("ImportRds"))
            after = rowTexts(stored) + grid;
        after.sort();
        QCOMPARE(rowTexts(readDiary(rig.diary)), after);
        if (press != QLatin1String("ImportRds"))
            QCOMPARE(bytesOf(rig.diary), before);
    }

    // The schedule edited in the window: the preview follows at once, and a
    // schedule that is no schedule stops the import until it is mended.
    void scheduleEditedInTheWindow()
    {
        Rig rig({makeDay("2013-03-01", {"6.5"})}, sample("meter-semicolon-flags.csv"));
        rig.chooseImport();
        auto *w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QCOMPARE(gridTexts(w->NewDates), QStringList{"2026-03-14|6.2|9.1|5.4|-|-|-|7.7|-"});
        QVERIFY(w->ImportRds->isEnabled());

        // Bedtime from 23:00: the 22:40 reading is an After Dinner one now.
        const int bedtime = scheduleRow(w->Schedule, QStringLiteral("Bedtime"));
        w->Schedule->item(bedtime, 3)->setText(QStringLiteral("23:30"));
        w->Schedule->item(bedtime, 1)->setText(QStringLiteral("23:00"));
        QVERIFY(w->ScheduleProblem->text().isEmpty());
        QCOMPARE(gridTexts(w->NewDates), QStringList{"2026-03-14|6.2|9.1|5.4|-|-|7.7|-|-"});
        QCOMPARE(w->Schedule->item(scheduleRow(w->Schedule, QStringLiteral("After Dinner")), 2)->text(),
                 QStringLiteral("23:00"));

        // A time that is no time, then a start before the one above it.
        w->Schedule->item(bedtime, 1)->setText(QStringLiteral("25:00"));
        QVERIFY(!w->ScheduleProblem->text().isEmpty());
        QVERIFY(!w->ImportRds->isEnabled());
        w->Schedule->item(bedtime, 1)->setText(QStringLiteral("18:00"));
        QVERIFY(!w->ScheduleProblem->text().isEmpty());
        QVERIFY(!w->ImportRds->isEnabled());
        QTest::mouseClick(w->DefaultSchedule, Qt::LeftButton);
        QVERIFY(w->ScheduleProblem->text().isEmpty());
        QCOMPARE(gridTexts(w->NewDates), QStringList{"2026-03-14|6.2|9.1|5.4|-|-|-|7.7|-"});
        QVERIFY(w->ImportRds->isEnabled());

        // The schedule edited is the one the next import starts with.
        w->Schedule->item(bedtime, 3)->setText(QStringLiteral("23:30"));
        w->Schedule->item(bedtime, 1)->setText(QStringLiteral("23:00"));
        QTest::mouseClick(w->Cancel, Qt::LeftButton);
        rig.files.answers << rig.file;
        rig.chooseImport();
        w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QCOMPARE(w->Schedule->item(bedtime, 1)->text(), QStringLiteral("23:00"));
    }

    // What the file leaves open is asked in the window; nothing can be
    // imported before it is answered, and the answers are kept for next time.
    void questionsAnsweredInTheWindow()
    {
        // Columns no table names: picked by hand, then remembered.
        const QByteArray odd = "When,Reading,Note\n14/03/2026 07:10,6.1,\n14/03/2026 12:40,5.8,x\n";
        Rig rig({}, odd);
        rig.chooseImport();
        auto *w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QVERIFY(w->TimeColumn->isVisibleTo(w));
        QVERIFY(!w->ImportRds->isEnabled());
        QCOMPARE(w->NewDates->rowCount(), 0);
        QVERIFY(w->SampleRows->rowCount() >= 2);
        w->TimeColumn->setCurrentIndex(1);
        w->ValueColumn->setCurrentIndex(2);
        // An empty diary takes the file's unit unless told otherwise.
        QVERIFY(w->DiaryUnit->isEnabled());
        QCOMPARE(w->DiaryUnit->currentText(), QStringLiteral("mmol/L"));
        QCOMPARE(gridTexts(w->NewDates), QStringList{"2026-03-14|6.1|-|5.8|-|-|-|-|-"});
        w->DiaryUnit->setCurrentIndex(0);
        QCOMPARE(gridTexts(w->NewDates), QStringList{"2026-03-14|110|-|104|-|-|-|-|-"});
        QVERIFY(w->ImportRds->isEnabled());
        QTest::mouseClick(w->ImportRds, Qt::LeftButton);
        QCOMPARE(rowTexts(readDiary(rig.diary)), QStringList{"2026-03-14|110|-|104|-|-|-|-|-"});
        // The unit chosen is the diary's now; the columns are known.
        QCOMPARE(rememberedUnit(*userSettings(), rig.diary), std::optional(GlucoseUnit::MgPerDl));
        writeBytes(rig.file, "When,Reading,Note\n15/03/2026 07:10,6.0,\n");
        rig.files.answers << rig.file;
        rig.chooseImport();
        w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QVERIFY(!w->TimeColumn->isVisibleTo(w));
        QVERIFY(!w->DiaryUnit->isEnabled());
        QCOMPARE(gridTexts(w->NewDates), QStringList{"2026-03-15|108|-|-|-|-|-|-|-"});
        QTest::mouseClick(w->Cancel, Qt::LeftButton);

        // Day or month first, and the unit, when the file cannot tell.
        writeBytes(rig.file, "Date,Time,Glucose\n03/04/2026,07:10,6\n05/04/2026,12:40,7\n");
        rig.files.answers << rig.file;
        rig.chooseImport();
        w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        // Each question is answered as it comes, in whichever order.
        for (int question = 0; question < 2; ++question) {
            QVERIFY(!w->ImportRds->isEnabled());
            QCOMPARE(w->NewDates->rowCount(), 0);
            if (w->DateOrder->isVisibleTo(w) && w->DateOrder->currentIndex() == 0) {
                QVERIFY(w->DateOrder->itemText(1).contains(QStringLiteral("3 April 2026")));
                QVERIFY(w->DateOrder->itemText(2).contains(QStringLiteral("4 March 2026")));
                w->DateOrder->setCurrentIndex(2);
            } else {
                QVERIFY(w->FileUnit->isVisibleTo(w));
                w->FileUnit->setCurrentIndex(2); // mmol/L
            }
        }
        QCOMPARE(gridTexts(w->NewDates), (QStringList{"2026-03-04|108|-|-|-|-|-|-|-", "2026-05-04|-|-|126|-|-|-|-|-"}));
        QVERIFY(w->ImportRds->isEnabled());
    }

private:
    QTemporaryDir settingsDir_;
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
