// "Export Readings To A File" in the report request window, driven through
// its real widgets: the file the user names gets the readings of the range,
// whole; the range and "no readings" messages are the report's own; a
// cancelled question keeps the window.

#include "platform/DatePicker.h"
#include "readings/CurrReading.h"
#include "reports/StdRptByDate.h"
#include "support/FakeFiles.h"
#include "support/FakePrinting.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>

namespace {

struct Settle {
    ~Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

QList<ReadingDay> diaryDays()
{
    return {
        makeDay("2013-02-27", {"999"}),
        makeDay("2013-03-01", {"120", "150", "-", "95.5", "100", "180", "130", "-"}),
        makeDay("2013-03-02", {"150"}),
        makeDay("2013-03-05", {"5", "999", "5", "999", "5", "999", "5", "999"}),
    };
}

const QByteArray kHeader =
    "Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,After Dinner,Bedtime,Night\r\n";

CurrReading *openDiary(TestApp &app)
{
    app.click("BloodMenu", "Command2");
    auto *list = app.frame->window(QStringLiteral("SelectDbase"))->findChild<QListWidget *>(QStringLiteral("File1"));
    const QList<QListWidgetItem *> items = list->findItems(QStringLiteral("Ann Smith.bcl"), Qt::MatchExactly);
    if (items.isEmpty())
        return nullptr;
    list->setCurrentItem(items.first());
    QTest::keyClick(list, Qt::Key_Return);
    return app.window<CurrReading>("CurrReading");
}

} // namespace

class TestExport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void exportWritesTheRangeToTheNamedFile_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QString>("answer"); // the file named, "" for cancel
        QTest::addColumn<QString>("message");
        QTest::addColumn<QByteArray>("content"); // "<absent>": no file
        QTest::addColumn<bool>("stays");         // the window stays open
        QTest::newRow("the range to a file")
            << QDate(2013, 3, 1) << QDate(2013, 3, 4) << "out.csv" << QString()
            << kHeader + "2013-03-01,120,150,,95.5,100,180,130,\r\n2013-03-02,150,,,,,,,\r\n"
            << false;
        QTest::newRow("the question cancelled")
            << QDate(2013, 3, 1) << QDate(2013, 3, 4) << "" << QString() << QByteArray("<absent>") << true;
        QTest::newRow("start after end") << QDate(2013, 3, 5) << QDate(2013, 3, 4) << "out.csv"
                                         << "The date range has been set incorrectly." << QByteArray("<absent>")
                                         << true;
        QTest::newRow("no date from the start on")
            << QDate(2013, 3, 6) << QDate(2013, 3, 9) << "out.csv"
            << "Thee are no readings to print." << QByteArray("<absent>") << false;
        QTest::newRow("no date in the range") << QDate(2013, 3, 3) << QDate(2013, 3, 4) << "out.csv"
                                              << "There are no readings to print." << QByteArray("<absent>") << false;
        QTest::newRow("a folder that is not there")
            << QDate(2013, 3, 1) << QDate(2013, 3, 4) << "gone/out.csv"
            << "The readings could not be written to the file. No file was made or changed." << QByteArray("<absent>")
            << false;
    }
    void exportWritesTheRangeToTheNamedFile()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QString, answer);
        QFETCH(QString, message);
        QFETCH(QByteArray, content);
        QFETCH(bool, stays);
        TestApp app;
        Settle settle;
        FakeFileDialogs files;
        FakePrinterDialog printerDialog;
        app.frame->services().files = &files;
        app.frame->services().printerDialog = &printerDialog;
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), diaryDays());
        const QByteArray diaryBefore = bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        CurrReading *browser = openDiary(app);
        QVERIFY(browser);
        app.click("CurrReading", "PrtRpt");
        auto *w = app.window<StdRptByDate>("StdRptByDate");
        QVERIFY(w);
        // The third choice takes the place of the other two.
        QTest::mouseClick(w->Option3, Qt::LeftButton);
        QVERIFY(w->Option3->isChecked() && !w->Option1->isChecked() && !w->Option2->isChecked());
        w->StartDate->setDate(start);
        w->EndDate->setDate(end);
        const QString target = answer.isEmpty() ? QString() : app.pathOf(answer);
        files.answers << target;
        app.click("StdRptByDate", "PrintRpt");
        QApplication::processEvents();

        if (message == QLatin1String("The date range has been set incorrectly.")) {
            QVERIFY(files.offered.isEmpty());
        } else {
            // Offered: a .csv file named after the person and the range.
            QCOMPARE(files.offered.size(), 1);
            QCOMPARE(
                files.offered[0].section(QLatin1Char('/'), -1),
                QStringLiteral("Ann Smith %1 to %2.csv").arg(start.toString(Qt::ISODate), end.toString(Qt::ISODate)));
        }
        QVERIFY(printerDialog.presets.isEmpty());
        QCOMPARE(app.fakes.messages.shown.isEmpty() ? QString()
                                                    : app.fakes.messages.shown[0].text.section(QLatin1Char('\n'), 0, 0),
                 message);
        QCOMPARE(app.fakes.messages.shown.size(), message.isEmpty() ? 0 : 1);
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("out.csv"))), content);
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl"))), diaryBefore);
        QCOMPARE(snapshot(app.folder()).size(), content == "<absent>" ? 1 : 2);
        QCOMPARE(bool(app.window<StdRptByDate>("StdRptByDate")), stays);
        QCOMPARE(browser->parentWidget()->isEnabled(), !stays);
        if (stays)
            QVERIFY(w->Option3->isChecked());
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
