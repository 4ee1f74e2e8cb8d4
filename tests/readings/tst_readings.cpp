// The browser: opening on the latest date, stepping, deleting, closing.

#include "readings/CurrReading.h"
#include "store/Database.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

namespace {

QStringList shownReadings(const CurrReading *b)
{
    QStringList out;
    for (const QLineEdit *box : b->readings)
        out << box->text();
    return out;
}

QStringList keys(const QList<ReadingDay> &days)
{
    QStringList out;
    for (const ReadingDay &d : days)
        out << d.key;
    return out;
}

} // namespace

class TestReadings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void opensOnTheLatestDate()
    {
        TestApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"),
                   {makeDay("2013-09-17", {"95", "120.5", "", "", "", "", "", "88"}), makeDay("2013-09-16", {"1"})});
        CurrReading *b = app.openDiary("Ann Smith.bcl");
        QVERIFY(b);
        QCOMPARE(b->DatabaseName->text(), QStringLiteral("Ann Smith"));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-17"));
        QCOMPARE(b->Bdates->text(), QStringLiteral("9/17/2013"));
        QVERIFY(b->Bdate->isHidden());
        QCOMPARE(shownReadings(b), (QStringList{"95", "120.5", "-", "-", "-", "-", "-", "88"}));
        QVERIFY(b->DatabaseName->isReadOnly() && b->readings[0]->isReadOnly());
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void stepsThroughTheDatesWithBeepsAtTheEnds()
    {
        TestApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"), {makeDay("2013-12-31"), makeDay("2014-01-01"), makeDay("2014-02-01")});
        CurrReading *b = app.openDiary("Ann Smith.bcl");
        QVERIFY(b);
        auto click = [&](QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); };

        click(b->Next); // at the last date: a beep, and the last date again
        QCOMPARE(app.fakes.messages.beeps, 1);
        QCOMPARE(b->shownKey(), QStringLiteral("2014-02-01"));
        click(b->Previous);
        QCOMPARE(b->shownKey(), QStringLiteral("2014-01-01"));
        click(b->Previous);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-12-31"));
        click(b->Previous);
        QCOMPARE(app.fakes.messages.beeps, 2);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-12-31"));
        click(b->Next);
        QCOMPARE(b->shownKey(), QStringLiteral("2014-01-01"));
        click(b->MoveLast);
        QCOMPARE(b->shownKey(), QStringLiteral("2014-02-01"));
        click(b->MoveFirst);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-12-31"));
        click(b->MoveFirst);
        click(b->MoveLast);
        QCOMPARE(app.fakes.messages.beeps, 2); // "<<" and ">>" never beep
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QCOMPARE(b->Bdates->text(), QStringLiteral("2/1/2014"));
    }

    void oneDateBeepsBothWays()
    {
        TestApp app;
        writeDiary(app.pathOf("One Day.bcl"), {makeDay("2013-09-17", {"100"})});
        CurrReading *b = app.openDiary("One Day.bcl");
        QVERIFY(b);
        QTest::mouseClick(b->Next, Qt::LeftButton);
        QTest::mouseClick(b->Previous, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.beeps, 2);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-17"));
        QCOMPARE(b->readings[0]->text(), QStringLiteral("100"));
    }

    void emptyDiaryShowsNothingAndStepsDoNothing()
    {
        TestApp app;
        writeDiary(app.pathOf("No Days.bcl"), {});
        CurrReading *b = app.openDiary("No Days.bcl");
        QVERIFY(b);
        QVERIFY(!b->showsDate());
        for (QPushButton *button : {b->MoveFirst, b->Previous, b->Next, b->MoveLast, b->DeleteReading})
            QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!b->showsDate());
        QCOMPARE(app.fakes.messages.beeps, 0);
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QCOMPARE(shownReadings(b), QStringList(8, QString()));
    }

    void deleteAsksAndShowsANeighbour()
    {
        TestApp app;
        const QString path = app.pathOf("Ann Smith.bcl");
        writeDiary(path, {makeDay("2013-01-01", {"1"}), makeDay("2013-01-02", {"2"}), makeDay("2013-01-03", {"3"})});
        CurrReading *b = app.openDiary("Ann Smith.bcl");
        QVERIFY(b);
        auto &messages = app.fakes.messages;

        // Cancel changes nothing.
        QTest::mouseClick(b->Previous, Qt::LeftButton); // 2013-01-02
        messages.answers = {MsgAnswer::Cancel};
        QTest::mouseClick(b->DeleteReading, Qt::LeftButton);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text, QStringLiteral("Are You Sure?"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Delete Reading"));
        QCOMPARE(messages.shown[0].icon, MsgIcon::Question);
        QCOMPARE(messages.shown[0].buttons, MsgButtons::OkCancel);
        QCOMPARE(readDiary(path).size(), 3);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-02"));

        // A date in the middle: the following date is shown.
        QTest::mouseClick(b->DeleteReading, Qt::LeftButton);
        QCOMPARE(keys(readDiary(path)), (QStringList{"2013-01-01", "2013-01-03"}));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-03"));
        QCOMPARE(b->readings[0]->text(), QStringLiteral("3"));

        // The last date: the new last date is shown.
        QTest::mouseClick(b->DeleteReading, Qt::LeftButton);
        QCOMPARE(keys(readDiary(path)), QStringList{"2013-01-01"});
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-01"));

        // The only date: every box is empty.
        QTest::mouseClick(b->DeleteReading, Qt::LeftButton);
        QVERIFY(readDiary(path).isEmpty());
        QVERIFY(!b->showsDate());
        QVERIFY(b->Bdates->text().isEmpty());
        QCOMPARE(shownReadings(b), QStringList(8, QString()));
        QCOMPARE(messages.shown.size(), 4);
    }

    void aDateNoLongerStoredIsToldNotCrashed()
    {
        TestApp app;
        const QString path = app.pathOf("Ann Smith.bcl");
        writeDiary(path, {makeDay("2013-01-01"), makeDay("2013-01-02")});
        CurrReading *b = app.openDiary("Ann Smith.bcl");
        QVERIFY(b);
        // Another program removes the shown date behind the browser's back.
        {
            Database db = Database::open(path);
            Cursor c(db);
            c.seek(SeekOp::Equal, QStringLiteral("2013-01-02"));
            c.remove();
        }
        for (QPushButton *button : {b->Next, b->Previous, b->DeleteReading}) {
            app.fakes.messages.reset();
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY2(app.fakes.messages.lastText().contains(QStringLiteral("no longer stored")),
                     qPrintable(app.fakes.messages.lastText()));
        }
        QCOMPARE(keys(readDiary(path)), QStringList{"2013-01-01"});
        QTest::mouseClick(b->MoveFirst, Qt::LeftButton);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-01"));
    }

    void aDiaryThatFailsUnderTheBrowserGivesAMessage()
    {
        TestApp app;
        const QString path = app.pathOf("Ann Smith.bcl");
        writeDiary(path, {makeDay("2013-01-01"), makeDay("2013-01-02")});
        CurrReading *b = app.openDiary("Ann Smith.bcl");
        QVERIFY(b);

        QFile::remove(path);
        QTest::mouseClick(b->MoveFirst, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-02"));
        QVERIFY(!QFile::exists(path)); // nothing made up in its place

        QFile garbage(path);
        QVERIFY(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(4096, 'x'));
        garbage.close();
        app.fakes.messages.reset();
        QTest::mouseClick(b->DeleteReading, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QFile check(path);
        QVERIFY(check.open(QIODevice::ReadOnly));
        QCOMPARE(check.readAll(), QByteArray(4096, 'x'));
    }

    void buttonsCarryTheirCaptionsTipsAndTabOrder()
    {
        TestApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"), {makeDay("2013-01-01")});
        CurrReading *b = app.openDiary("Ann Smith.bcl");
        QVERIFY(b);
        QCOMPARE(b->windowTitle(), QStringLiteral("Current Reading"));
        const QList<QPair<QPushButton *, QStringList>> expected{
            {b->AddNewDate, {"Add New Date/Rds.", "Add a new date to your database."}},
            {b->EditReading, {"Edit Current Date/Rds.", "Edit the currently displayed date."}},
            {b->DeleteReading, {"Delete Current Date", "Delete the currently displayed date with it's readings."}},
            {b->Search, {"Search", "Search for a date."}},
            {b->PrtToScr, {"Print To Screen", "Print readings to the screen."}},
            {b->PrtRpt, {"Print Report", "Print the report."}},
            {b->CloseDbase, {"Close Database", "Close the currently opened database."}},
            {b->MoveFirst, {"<<", "Display the first date in your database."}},
            {b->Previous, {"Previous", "Display the previous date."}},
            {b->Next, {"Next", "Display the next date."}},
            {b->MoveLast, {">>", "Display the last date in your database."}},
        };
        for (int i = 0; i < expected.size(); ++i) {
            QCOMPARE(expected[i].first->text(), expected[i].second[0]);
            QCOMPARE(expected[i].first->toolTip(), expected[i].second[1]);
            if (i + 1 < expected.size())
                QCOMPARE(expected[i].first->nextInFocusChain(), expected[i + 1].first);
        }
        // Every box is named by its label.
        const char *labels[] = {"Pre-Breakfast", "After Breakfast", "Pre-Lunch", "After Lunch",
                                "Pre-Dinner",    "After Dinner",    "Bedtime",   "Night"};
        for (int i = 0; i < kReadingKinds; ++i)
            QCOMPARE(b->readings[size_t(i)]->accessibleName(), QLatin1String(labels[i]));
        QCOMPARE(b->Bdates->accessibleName(), QStringLiteral("Date"));
    }

    void closeReturnsToTheStartUpChoice()
    {
        TestApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"), {makeDay("2013-01-01")});
        QVERIFY(app.openDiary("Ann Smith.bcl"));
        QVERIFY(!app.shown("BloodMenu"));
        QVERIFY(!app.shown("SelectDbase"));
        QVERIFY(app.frame->window(QStringLiteral("SelectDbase"))); // kept, hidden: it names the diary
        QCOMPARE(app.frame->currentDatabase(), QStringLiteral("Ann Smith.bcl"));

        app.click("CurrReading", "CloseDbase");
        QVERIFY(!app.frame->window(QStringLiteral("CurrReading")));
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        QVERIFY(app.shown("BloodMenu"));
        QVERIFY(app.frame->currentDatabase().isEmpty());
        QVERIFY(app.frame->action(QStringLiteral("mnuUtilitiesRestore"))->isEnabled());
        QVERIFY(!app.frame->menu(QStringLiteral("mnuGraphs"))->isEnabled());

        // The window's own close box does the same.
        QVERIFY(app.openDiary("Ann Smith.bcl"));
        app.frame->window(QStringLiteral("CurrReading"))->parentWidget()->close();
        QVERIFY(!app.frame->window(QStringLiteral("CurrReading")));
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        QVERIFY(app.shown("BloodMenu"));
        QVERIFY(app.frame->action(QStringLiteral("mnuFileBackupRestore"))->isEnabled());
    }
};

QTEST_MAIN(TestReadings)
#include "tst_readings.moc"
