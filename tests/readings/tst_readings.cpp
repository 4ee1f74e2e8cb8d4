// The browser: opening on the latest date, stepping, deleting, closing.
// The windows it opens: adding, editing and finding a day, deleting every day
// before a date, and the key filter of the reading boxes.

#include "core/Database.h"
#include "core/DateKey.h"
#include "core/DiaryChanges.h"
#include "platform/DatePicker.h"
#include "readings/AddRds.h"
#include "readings/CurrReading.h"
#include "readings/DateKeyWindow.h"
#include "readings/DeleteRds.h"
#include "readings/EditRds.h"
#include "readings/ReadingEntry.h"
#include "readings/SearchRds.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFile>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
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

const QString kDiary = QStringLiteral("Ann Smith.bcl");

// Opens a diary holding these days in a frame that has the keyboard focus, so
// that clicks and keys move the focus as they do for the user.
CurrReading *openWith(TestApp &app, const QList<ReadingDay> &days)
{
    writeDiary(app.pathOf(kDiary), days);
    app.frame->activateWindow();
    if (!QTest::qWaitForWindowActive(app.frame.get()))
        return nullptr;
    return app.openDiary(kDiary);
}

// Opens one of the browser's date windows the way the user does: its button
// on the browser, or the Utilities menu for the bulk delete.
template <class W> W *openFromBrowser(TestApp &app, const char *name)
{
    CurrReading *b = app.window<CurrReading>("CurrReading");
    const QString n = QLatin1String(name);
    if (n == QLatin1String("DeleteRds"))
        app.frame->action(QStringLiteral("mnuUtilitiesDelMultipleRds"))->trigger();
    else
        QTest::mouseClick(n == QLatin1String("AddRds")        ? b->AddNewDate
                              : n == QLatin1String("EditRds") ? b->EditReading
                                                              : b->Search,
                          Qt::LeftButton);
    return app.window<W>(name);
}

// The widgets Tab visits, in order, from the window's first one.
QList<QWidget *> tabOrder(QWidget *window)
{
    QList<QWidget *> out;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (window->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && !w->focusProxy())
            out << w;
    }
    return out;
}

QStringList texts(const ReadingEntryPanel *panel)
{
    QStringList out;
    for (const ReadingBox *box : panel->boxes)
        out << box->text();
    return out;
}

// Adds a trigger to the diary that makes the engine refuse one change, as a
// full disk or a failing file would.
void refuseInDiary(const QString &path, const char *sql)
{
    Database db = Database::open(path);
    db.exec(sql);
}

const QString kExists = QStringLiteral("A reading for the date you entered already exists.");

// Types text as the user does: every key goes to the widget that has the
// focus when it is typed, so a key that moved the focus sends the rest on.
void typeAsUser(const QString &text)
{
    for (const QChar c : text) {
        QWidget *to = QApplication::focusWidget();
        QVERIFY(to);
        QTest::keyClick(to, c.toLatin1());
    }
}

// A date written in a locale's short form: the order of its parts, their
// separator, and whether day and month carry a leading zero.
struct DateForm {
    bool dayFirst;
    QChar separator;
    bool zeros;

    QString write(const QDate &date) const
    {
        const auto part = [this](int n) {
            return zeros ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) : QString::number(n);
        };
        const QString d = part(date.day()), m = part(date.month());
        return (dayFirst ? d : m) + separator + (dayFirst ? m : d) + separator + QString::number(date.year());
    }
};

} // namespace

class TestReadings : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

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
            QVERIFY(DiaryChanges::deleteDay(c, QStringLiteral("2013-01-02")).deleted);
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
        QCOMPARE(app.frame->openDiary().file, QStringLiteral("Ann Smith.bcl"));
        // The hidden list only mirrors the choice: with nothing selected in it
        // the diary stays open and the browser still reads it.
        auto *list =
            app.frame->window(QStringLiteral("SelectDbase"))->findChild<QListWidget *>(QStringLiteral("File1"));
        QVERIFY(list);
        list->setCurrentItem(nullptr);
        list->clearSelection();
        QCOMPARE(app.frame->openDiary().name, QStringLiteral("Ann Smith"));
        app.click("CurrReading", "MoveFirst");
        QVERIFY(app.fakes.messages.shown.isEmpty());

        app.click("CurrReading", "CloseDbase");
        QVERIFY(!app.frame->window(QStringLiteral("CurrReading")));
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        QVERIFY(app.shown("BloodMenu"));
        QVERIFY(app.frame->openDiary().file.isEmpty());
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

    // ------------------------------------------------------------------
    // The windows the browser opens: add, edit, search, delete before a date.

    void theKeyFilterPassesDigitsPointsAndErasing()
    {
        FakeMessages m;
        for (int key : {int('0'), int('5'), int('9'), int('.'), 8, 127})
            QCOMPARE(FilterReadingKey(key, m), key);
        QCOMPARE(m.beeps, 0);
        for (int key : {int('a'), int('Z'), int('-'), int(','), int(' '), 13, int('/'), int('+'), 0x00e9})
            QCOMPARE(FilterReadingKey(key, m), 0);
        QCOMPARE(m.beeps, 9);
        QVERIFY(isReadingText(QStringLiteral("12.5.3")));
        QVERIFY(!isReadingText(QStringLiteral("12,5")));
        QVERIFY(!isReadingText(QStringLiteral("\u0661"))); // a digit, but not one of ours
    }

    void readingBoxesRefuseEverythingElseWithABeep()
    {
        TestApp app;
        QVERIFY(openWith(app, {makeDay("2013-09-10", {"95"})}));
        auto *add = openFromBrowser<AddRds>(app, "AddRds");
        QVERIFY(add);
        FakeMessages &messages = app.fakes.messages;
        ReadingBox *box = add->readings->boxes[0];
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->hasFocus());

        QTest::keyClicks(box, QStringLiteral("12.5.3"));
        QCOMPARE(box->text(), QStringLiteral("12.5.3"));
        QCOMPARE(messages.beeps, 0);

        // Letters, minus, comma, space and Enter: a beep each, the box as it was.
        QTest::keyClick(box, Qt::Key_A);
        QTest::keyClick(box, Qt::Key_Minus);
        QTest::keyClick(box, Qt::Key_Comma);
        QTest::keyClick(box, Qt::Key_Space);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(messages.beeps, 5);
        QCOMPARE(box->text(), QStringLiteral("12.5.3"));
        QVERIFY(app.frame->window(QStringLiteral("AddRds"))); // Enter in a box saves nothing

        // Six characters at most; Backspace and Delete erase.
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(box, QStringLiteral("1234567"));
        QCOMPARE(box->text(), QStringLiteral("123456"));
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Home);
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->text(), QStringLiteral("2345"));
        QCOMPARE(messages.beeps, 5);

        // Pasted text: all of it passes or none of it does.
        QGuiApplication::clipboard()->setText(QStringLiteral("7a"));
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("2345"));
        QCOMPARE(messages.beeps, 6);
        QGuiApplication::clipboard()->setText(QStringLiteral("7.5"));
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(box->text(), QStringLiteral("7.5"));
        QCOMPARE(messages.beeps, 6);
        // The context menu's Paste makes the same check.
        QGuiApplication::clipboard()->setText(QStringLiteral("1,5"));
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, QPoint(2, 2), box->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(box, &menuEvent);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QAction *pasteItem = nullptr;
        for (QAction *item : menu->actions())
            if (item->text().startsWith(QLineEdit::tr("&Paste")))
                pasteItem = item;
        QVERIFY(pasteItem);
        pasteItem->trigger();
        menu->close();
        QCOMPARE(box->text(), QStringLiteral("7.5"));
        QCOMPARE(messages.beeps, 7);

        // Text from an input method cannot slip a letter in either.
        QInputMethodEvent compose(QString(), {});
        compose.setCommitString(QStringLiteral("x1"));
        QApplication::sendEvent(box, &compose);
        QCOMPARE(box->text(), QStringLiteral("7.5"));

        // The panel serves the edit window as well: all eight boxes filter.
        QTest::mouseClick(add->CancelAdd, Qt::LeftButton);
        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        QVERIFY(edit);
        messages.reset();
        for (ReadingBox *b : edit->readings->boxes) {
            QTest::mouseClick(b, Qt::LeftButton);
            QTest::keyClick(b, Qt::Key_End);
            QTest::keyClicks(b, QStringLiteral("x9"));
            QCOMPARE(b->maxLength(), 6);
        }
        QCOMPARE(messages.beeps, kReadingKinds);
        QCOMPARE(texts(edit->readings), (QStringList{"959", "9", "9", "9", "9", "9", "9", "9"}));
        QVERIFY(messages.shown.isEmpty());
    }

    void windowsCarryTheirCaptionsAndHoldTheBrowser_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("route");
        for (const char *w : {"AddRds", "EditRds", "SearchRds", "DeleteRds"})
            for (const char *r : {"cancel", "close box", "escape"})
                QTest::addRow("%s, %s", w, r) << QString::fromLatin1(w) << QString::fromLatin1(r);
    }

    void windowsCarryTheirCaptionsAndHoldTheBrowser()
    {
        QFETCH(QString, window);
        QFETCH(QString, route);
        struct Look {
            QString caption;
            int help;
            QString label;              // Label1
            QList<QStringList> buttons; // name, caption, tool tip
        };
        const QString cancelTip = QStringLiteral("Cancel operation and close window.");
        const QMap<QString, Look> looks{
            {"AddRds",
             {"Add New Readings",
              50,
              "Date of reading:",
              {{"SaveRd", "Save", "Save this date to your database."}, {"CancelAdd", "Cancel", cancelTip}}}},
            {"EditRds",
             {"Edit Reading",
              60,
              "Date:",
              {{"Save", "Save", "Save edited information."}, {"Cancel", "Cancel", cancelTip}}}},
            {"SearchRds",
             {"Search",
              100,
              "Enter a date you would like to search for.",
              {{"Search", "Search", "Search for entered date."}, {"Cancel", "Cancel", cancelTip}}}},
            {"DeleteRds",
             {"Dekete Multiple Readings",
              160,
              "This utility will delete all your records from the first up to the date you have "
              "entered below.",
              {{"DeleteRecords", "Delete", "Delete all dates before the date you entered."},
               {"Cancel", "Cancel", cancelTip}}}},
        };
        const Look look = looks.value(window);

        TestApp app;
        CurrReading *b = openWith(app, {makeDay("2013-09-10", {"95", "-", "110"})});
        QVERIFY(b);
        QVERIFY(b->isEnabled());
        const QByteArray name = window.toLatin1();
        ChildWindow *w = openFromBrowser<ChildWindow>(app, name.constData());
        QVERIFY(w);
        QVERIFY(app.shown(qPrintable(window)));
        QCOMPARE(w->windowTitle(), look.caption);
        QCOMPARE(w->parentWidget()->windowTitle(), look.caption);
        QCOMPARE(w->helpContext(), look.help);
        QVERIFY(!b->isEnabled());

        auto *picker = w->findChild<DatePicker *>(QStringLiteral("Bdates"));
        auto *key = w->findChild<QLineEdit *>(QStringLiteral("Bdate"));
        QVERIFY(picker && key);
        QVERIFY(picker->hasFocus());
        QVERIFY(key->isHidden());
        QCOMPARE(picker->minimumDate(), QDate(2000, 1, 1));
        QCOMPARE(picker->maximumDate(), QDate(2099, 12, 31));
        QVERIFY(picker->calendarPopup());
        QCOMPARE(picker->text(), window == "EditRds" ? QStringLiteral("9/10/2013") : QStringLiteral("9/17/2013"));
        QCOMPARE(key->text(), window == "EditRds" ? QStringLiteral("2013-09-10") : QStringLiteral("2013-09-17"));

        auto *label1 = w->findChild<QLabel *>(QStringLiteral("Label1"));
        QVERIFY(label1);
        QCOMPARE(label1->text().remove(QLatin1Char('&')), look.label);
        QCOMPARE(label1->buddy(), picker);

        QList<QWidget *> expectedOrder{picker};
        if (auto *panel = w->findChild<ReadingEntryPanel *>()) {
            const char *labels[] = {"Pre-Breakfast:", "After Breakfast:", "Pre-Lunch:", "After Lunch:",
                                    "Pre-Dinner:",    "After Dinner:",    "Bedtime:",   "Night:"};
            for (int i = 0; i < kReadingKinds; ++i) {
                ReadingBox *box = panel->boxes[size_t(i)];
                QCOMPARE(box->objectName(), QLatin1String(readingKinds()[size_t(i)].field));
                auto *label = w->findChild<QLabel *>(QStringLiteral("Label%1").arg(i + 2));
                QCOMPARE(label->text(), QLatin1String(labels[i]));
                QCOMPARE(label->buddy(), box);
                expectedOrder << box;
            }
            // Two columns of four: Pre-Breakfast above After Lunch on the left,
            // Pre-Dinner beside Pre-Breakfast on the right.
            QCOMPARE(panel->boxes[0]->x(), panel->boxes[3]->x());
            QVERIFY(panel->boxes[0]->y() < panel->boxes[3]->y());
            QVERIFY(panel->boxes[4]->x() > panel->boxes[0]->x());
            QCOMPARE(panel->boxes[4]->y(), panel->boxes[0]->y());
        }
        QPushButton *act = nullptr, *cancel = nullptr;
        for (const QStringList &button : look.buttons) {
            auto *pb = w->findChild<QPushButton *>(button[0]);
            QVERIFY2(pb, qPrintable(button[0]));
            QCOMPARE(pb->text().remove(QLatin1Char('&')), button[1]);
            QVERIFY(pb->text().contains(QLatin1Char('&'))); // reachable by an access key
            QCOMPARE(pb->toolTip(), button[2]);
            expectedOrder << pb;
            (act ? cancel : act) = pb;
        }
        QCOMPARE(tabOrder(w), expectedOrder);
        // The buttons sit side by side below everything else.
        QCOMPARE(act->y(), cancel->y());
        QVERIFY(act->x() < cancel->x());
        QVERIFY(act->y() > picker->y());

        if (route == "cancel")
            QTest::mouseClick(cancel, Qt::LeftButton);
        else if (route == "close box")
            w->parentWidget()->close();
        else
            QTest::keyClick(picker, Qt::Key_Escape);
        QVERIFY(!app.frame->window(window));
        QVERIFY(b->isEnabled());
        QCOMPARE(readDiary(app.pathOf(kDiary)), QList<ReadingDay>{makeDay("2013-09-10", {"95", "-", "110"})});
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-10"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void addStoresANewDayAlsoInAnEmptyDiary()
    {
        TestApp app;
        CurrReading *b = openWith(app, {});
        QVERIFY(b && !b->showsDate());
        const QString path = app.pathOf(kDiary);

        auto *add = openFromBrowser<AddRds>(app, "AddRds");
        QVERIFY(add);
        QTest::mouseClick(add->readings->boxes[0], Qt::LeftButton);
        QTest::keyClicks(add->readings->boxes[0], QStringLiteral("95"));
        QTest::keyClick(add->readings->boxes[0], Qt::Key_Tab);
        QTest::keyClicks(add->readings->boxes[1], QStringLiteral("12.5.3"));
        QTest::mouseClick(add->readings->boxes[6], Qt::LeftButton);
        QTest::keyClicks(add->readings->boxes[6], QStringLiteral("120.5"));
        QTest::mouseClick(add->SaveRd, Qt::LeftButton);

        const ReadingDay first = makeDay("2013-09-17", {"95", "12.5.3", "", "", "", "", "120.5", ""});
        QCOMPARE(readDiary(path), QList<ReadingDay>{first});
        QVERIFY(!app.frame->window(QStringLiteral("AddRds")));
        QVERIFY(b->isEnabled());
        QCOMPARE(b->shownDay(), first);
        QCOMPARE(b->shownDate(), QStringLiteral("9/17/2013"));
        QCOMPARE(shownReadings(b), (QStringList{"95", "12.5.3", "-", "-", "-", "-", "120.5", "-"}));

        // Every box left empty: "-" for every reading, on the picked date.
        add = openFromBrowser<AddRds>(app, "AddRds");
        QVERIFY(add);
        add->Bdates->setDate(QDate(2013, 9, 1)); // as the calendar pop-up picks it
        QTest::mouseClick(add->SaveRd, Qt::LeftButton);
        QCOMPARE(readDiary(path), (QList<ReadingDay>{makeDay("2013-09-01"), first}));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-01"));
        QCOMPARE(shownReadings(b), QStringList(8, QStringLiteral("-")));
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QCOMPARE(app.fakes.messages.beeps, 0);
    }

    void addRefusesAStoredDateOnSaveOnly()
    {
        TestApp app;
        const QList<ReadingDay> days{makeDay("2013-09-10", {"95", "-", "110"}), makeDay("2013-09-12", {"100"})};
        CurrReading *b = openWith(app, days);
        QVERIFY(b);
        auto *add = openFromBrowser<AddRds>(app, "AddRds");
        add->Bdates->setDate(QDate(2013, 9, 10));
        QTest::mouseClick(add->readings->boxes[0], Qt::LeftButton); // leaving the picker checks nothing
        QCOMPARE(add->Bdate->text(), QStringLiteral("2013-09-10"));
        QTest::keyClicks(add->readings->boxes[0], QStringLiteral("200"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QVERIFY(app.frame->window(QStringLiteral("AddRds")));

        QTest::mouseClick(add->SaveRd, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.beeps, 1);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.lastText(), kExists);
        QCOMPARE(app.fakes.messages.shown[0].buttons, MsgButtons::Ok);
        QVERIFY(!app.frame->window(QStringLiteral("AddRds")));
        QVERIFY(b->isEnabled());
        QCOMPARE(b->shownDay(), days[0]); // the stored day, "-" and all
        QCOMPARE(shownReadings(b)[1], QStringLiteral("-"));
        QCOMPARE(readDiary(app.pathOf(kDiary)), days);
    }

    void handlersActOnTheDateThePickerShows()
    {
        // A button pressed by its access key or by Enter leaves the focus on
        // the picker: no lost-focus notice refreshes the hidden key first.
        TestApp app;
        const QString path = app.pathOf(kDiary);
        CurrReading *b = openWith(app, {makeDay("2013-09-01", {"1"}), makeDay("2013-09-30", {"30"})});
        QVERIFY(b);
        FakeMessages &messages = app.fakes.messages;

        auto *add = openFromBrowser<AddRds>(app, "AddRds");
        QVERIFY(add->Bdates->hasFocus());
        add->Bdates->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClick(add->Bdates, Qt::Key_Down);
        QTest::keyClick(add->Bdates, Qt::Key_Down);
        QCOMPARE(add->Bdates->date(), QDate(2013, 9, 15));
        QCOMPARE(add->Bdate->text(), QStringLiteral("2013-09-17")); // stale until the handler runs
        QTest::keyClick(add->Bdates, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!app.frame->window(QStringLiteral("AddRds")));
        QCOMPARE(keys(readDiary(path)), (QStringList{"2013-09-01", "2013-09-15", "2013-09-30"}));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-15"));

        // Enter in the picker saves.
        add = openFromBrowser<AddRds>(app, "AddRds");
        add->Bdates->setDate(QDate(2013, 9, 20));
        QTest::keyClick(add->Bdates, Qt::Key_Return);
        QVERIFY(!app.frame->window(QStringLiteral("AddRds")));
        QCOMPARE(keys(readDiary(path)), (QStringList{"2013-09-01", "2013-09-15", "2013-09-20", "2013-09-30"}));

        // A picker whose text is no whole date: the message, the window stays.
        add = openFromBrowser<AddRds>(app, "AddRds");
        add->Bdates->setSelectedSection(QDateTimeEdit::DaySection);
        QTest::keyClick(add->Bdates, Qt::Key_Backspace);
        QVERIFY(!add->Bdates->hasAcceptableInput());
        QTest::keyClick(add->Bdates, Qt::Key_S, Qt::AltModifier);
        QTRY_COMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.lastText(), QStringLiteral("You must enter a valid date."));
        QCOMPARE(messages.beeps, 1);
        QVERIFY(app.frame->window(QStringLiteral("AddRds")));
        QCOMPARE(readDiary(path).size(), 4);
        QTest::keyClick(add->Bdates, Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("AddRds")));
        messages.reset();

        // Edit: Enter with a stored date in the picker is refused.
        b->showDay(readDiary(path)[1]); // 2013-09-15
        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        edit->Bdates->setDate(QDate(2013, 9, 20));
        QTest::keyClick(edit->Bdates, Qt::Key_Return);
        QCOMPARE(messages.lastText(), kExists);
        QVERIFY(!app.frame->window(QStringLiteral("EditRds")));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-20"));
        QCOMPARE(readDiary(path).size(), 4);
        messages.reset();

        // Search by its access key, from the picker.
        auto *search = openFromBrowser<SearchRds>(app, "SearchRds");
        search->Bdates->setDate(QDate(2013, 9, 2));
        QTest::keyClick(search->Bdates, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(!app.frame->window(QStringLiteral("SearchRds")));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-15"));

        // Delete by its access key: today (2013-09-17) was the stale key.
        auto *remove = openFromBrowser<DeleteRds>(app, "DeleteRds");
        remove->Bdates->setDate(QDate(2013, 9, 2));
        QTest::keyClick(remove->Bdates, Qt::Key_D, Qt::AltModifier);
        QTRY_VERIFY(!app.frame->window(QStringLiteral("DeleteRds")));
        QCOMPARE(keys(readDiary(path)), (QStringList{"2013-09-15", "2013-09-20", "2013-09-30"}));
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(b->isEnabled());
    }

    void typedDatesStayInThePicker_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("dayFirst");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("way"); // "plain", "zeros" or "over all"
        QTest::addColumn<QString>("window");
        const struct {
            const char *name;
            QLocale locale;
            bool dayFirst;
            const char *separator;
        } forms[] = {{"US", QLocale(QLocale::English, QLocale::UnitedStates), false, "/"},
                     {"British", QLocale(QLocale::English, QLocale::UnitedKingdom), true, "/"},
                     {"German", QLocale(QLocale::German, QLocale::Germany), true, "."}};
        for (const char *window : {"AddRds", "EditRds", "DeleteRds", "SearchRds"})
            for (const auto &f : forms)
                for (const char *way : {"plain", "zeros", "over all"})
                    QTest::addRow("%s, %s, %s", window, f.name, way)
                        << f.locale << f.dayFirst << QString::fromLatin1(f.separator) << QString::fromLatin1(way)
                        << QString::fromLatin1(window);
    }

    void typedDatesStayInThePicker()
    {
        // Typed with real keys into whatever has the focus: a separator that
        // left the picker sent the rest of the date into the next box, which
        // put digits into a reading, overwrote one, or deleted up to today.
        QFETCH(QLocale, locale);
        QFETCH(bool, dayFirst);
        QFETCH(QString, separator);
        QFETCH(QString, way);
        QFETCH(QString, window);
        QLocale::setDefault(locale);
        const DateForm form{dayFirst, separator[0], way == QLatin1String("zeros")};
        const auto typeDate = [&](DatePicker *picker, const QDate &date) {
            QVERIFY(picker->hasFocus());
            if (way == QLatin1String("over all")) {
                picker->selectAll();
                QCOMPARE(picker->findChild<QLineEdit *>()->selectedText(), picker->text());
            }
            typeAsUser(form.write(date));
        };

        TestApp app;
        const QString path = app.pathOf(kDiary);
        const ReadingDay before = makeDay("2013-02-09", {"1"}), on = makeDay("2013-02-10", {"2"}),
                         kept = makeDay("2013-09-10", {"95", "-", "110"});
        CurrReading *b = openWith(app, {before, on, kept});
        QVERIFY(b);
        const QByteArray name = window.toLatin1();
        auto *w = openFromBrowser<DateKeyWindow>(app, name.constData());
        QVERIFY(w);

        if (window == QLatin1String("AddRds")) {
            // The date, Tab to Pre-Breakfast, a reading, Save.
            auto *add = static_cast<AddRds *>(w);
            typeDate(add->Bdates, QDate(2013, 2, 11));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            typeAsUser(QStringLiteral("88"));
            QTest::mouseClick(add->SaveRd, Qt::LeftButton);
            QCOMPARE(readDiary(path), (QList<ReadingDay>{before, on, makeDay("2013-02-11", {"88"}), kept}));
        } else if (window == QLatin1String("EditRds")) {
            // The shown day moves to the typed date with its readings.
            typeDate(w->Bdates, QDate(2013, 1, 20));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            ReadingDay moved = kept;
            moved.key = QStringLiteral("2013-01-20");
            QCOMPARE(readDiary(path), (QList<ReadingDay>{moved, before, on}));
        } else if (window == QLatin1String("DeleteRds")) {
            // Delete before the typed date, by Enter: only the day before it.
            typeDate(w->Bdates, QDate(2013, 2, 10));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(readDiary(path), (QList<ReadingDay>{on, kept}));
        } else {
            // A separator alone moves on to the next part; a part finished by
            // its own digits takes the separator after it as its end.
            w->Bdates->setCurrentSectionIndex(0);
            w->Bdates->setSelectedSection(w->Bdates->sectionAt(0));
            typeAsUser(separator + QStringLiteral("4") + separator + QStringLiteral("2014"));
            QVERIFY(w->Bdates->hasFocus());
            QCOMPARE(w->Bdates->date(), dayFirst ? QDate(2014, 4, 17) : QDate(2014, 9, 4));
            // Tab and Shift+Tab leave the picker.
            QTest::keyClick(w->Bdates, Qt::Key_Tab);
            QVERIFY(!w->Bdates->hasFocus());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            QVERIFY(w->Bdates->hasFocus());
            QTest::keyClick(w->Bdates, Qt::Key_Backtab);
            QVERIFY(!w->Bdates->hasFocus());
            w->Bdates->setFocus();
            // Search for a day between two stored ones: the later one.
            typeDate(w->Bdates, QDate(2013, 2, 5));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QCOMPARE(b->shownKey(), before.key);
        }
        QVERIFY(!app.frame->window(window));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void editShowsMissingReadingsEmptyAndStoresThemAsDashes()
    {
        TestApp app;
        const QString path = app.pathOf(kDiary);
        const ReadingDay day = makeDay("2013-09-10", {"95", "-", "110", "-", "-", "-", "-", "88"});
        CurrReading *b = openWith(app, {day});
        QVERIFY(b);

        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        QVERIFY(edit);
        QCOMPARE(edit->Bdates->date(), QDate(2013, 9, 10));
        QCOMPARE(edit->Bdate->text(), QStringLiteral("2013-09-10"));
        QCOMPARE(texts(edit->readings), (QStringList{"95", "", "110", "", "", "", "", "88"}));
        QTest::mouseClick(edit->readings->boxes[2], Qt::LeftButton); // leaving the picker on the same date
        QTest::mouseClick(edit->Save, Qt::LeftButton);
        QVERIFY(!app.frame->window(QStringLiteral("EditRds")));
        QCOMPARE(readDiary(path), QList<ReadingDay>{day});
        QCOMPARE(b->shownDay(), day);

        // Emptying a box stores "-"; a changed reading is stored as typed.
        edit = openFromBrowser<EditRds>(app, "EditRds");
        QTest::mouseClick(edit->readings->boxes[0], Qt::LeftButton);
        QTest::keyClick(edit->readings->boxes[0], Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit->readings->boxes[0], Qt::Key_Backspace);
        QTest::keyClick(edit->readings->boxes[0], Qt::Key_Tab);
        QTest::keyClicks(edit->readings->boxes[1], QStringLiteral("130"));
        QTest::mouseClick(edit->Save, Qt::LeftButton);
        const ReadingDay changed = makeDay("2013-09-10", {"-", "130", "110", "-", "-", "-", "-", "88"});
        QCOMPARE(readDiary(path), QList<ReadingDay>{changed});
        QCOMPARE(b->shownDay(), changed);
        QCOMPARE(b->shownDate(), QStringLiteral("9/10/2013"));
        QVERIFY(b->isEnabled());
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void editMovesADayToAFreeDate()
    {
        TestApp app;
        const QString path = app.pathOf(kDiary);
        const ReadingDay first = makeDay("2013-09-10", {"95"});
        CurrReading *b = openWith(app, {first, makeDay("2013-09-12", {"100", "130"})});
        QVERIFY(b);

        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        // Away to another free date and on to the one wanted; each time the
        // picker is left the date is checked and found free.
        edit->Bdates->setDate(QDate(2013, 9, 25));
        QTest::mouseClick(edit->readings->boxes[7], Qt::LeftButton);
        QCOMPARE(edit->Bdate->text(), QStringLiteral("2013-09-25"));
        QTest::keyClicks(edit->readings->boxes[7], QStringLiteral("77"));
        QTest::mouseClick(edit->Bdates, Qt::LeftButton);
        QVERIFY(edit->Bdates->hasFocus());
        edit->Bdates->setDate(QDate(2013, 9, 11));
        QTest::mouseClick(edit->Save, Qt::LeftButton);

        const ReadingDay moved = makeDay("2013-09-11", {"100", "130", "", "", "", "", "", "77"});
        QCOMPARE(readDiary(path), (QList<ReadingDay>{first, moved}));
        QCOMPARE(b->shownDay(), moved);
        QCOMPARE(b->shownDate(), QStringLiteral("9/11/2013"));
        QVERIFY(app.fakes.messages.shown.isEmpty());

        // Away and back again before saving: the day is replaced in place.
        edit = openFromBrowser<EditRds>(app, "EditRds");
        edit->Bdates->setDate(QDate(2013, 9, 30));
        QTest::mouseClick(edit->readings->boxes[0], Qt::LeftButton);
        QTest::mouseClick(edit->Bdates, Qt::LeftButton);
        edit->Bdates->setDate(QDate(2013, 9, 11));
        QTest::mouseClick(edit->readings->boxes[0], Qt::LeftButton);
        QTest::keyClick(edit->readings->boxes[0], Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit->readings->boxes[0], QStringLiteral("101"));
        QTest::mouseClick(edit->Save, Qt::LeftButton);
        QCOMPARE(keys(readDiary(path)), (QStringList{"2013-09-10", "2013-09-11"}));
        QCOMPARE(readDiary(path)[1].readings[0], QStringLiteral("101"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void editOntoAStoredDateIsRefused_data()
    {
        QTest::addColumn<QString>("route");
        for (const char *r : {"a reading box", "Save", "Cancel", "Enter", "access key"})
            QTest::newRow(r) << QString::fromLatin1(r);
    }

    void editOntoAStoredDateIsRefused()
    {
        QFETCH(QString, route);
        TestApp app;
        const QString path = app.pathOf(kDiary);
        const QList<ReadingDay> days{makeDay("2013-09-10", {"95", "-", "110"}), makeDay("2013-09-12", {"100"})};
        CurrReading *b = openWith(app, days);
        QVERIFY(b);

        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        QTest::mouseClick(edit->readings->boxes[1], Qt::LeftButton);
        QTest::keyClicks(edit->readings->boxes[1], QStringLiteral("555"));
        QTest::mouseClick(edit->Bdates, Qt::LeftButton);
        edit->Bdates->setDate(QDate(2013, 9, 10));
        if (route == "a reading box")
            QTest::mouseClick(edit->readings->boxes[0], Qt::LeftButton);
        else if (route == "Save")
            QTest::mouseClick(edit->Save, Qt::LeftButton);
        else if (route == "Cancel")
            QTest::mouseClick(edit->Cancel, Qt::LeftButton);
        else if (route == "Enter")
            QTest::keyClick(edit->Bdates, Qt::Key_Enter);
        else
            QTest::keyClick(edit->Bdates, Qt::Key_S, Qt::AltModifier);

        QTRY_VERIFY(!app.frame->window(QStringLiteral("EditRds")));
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.lastText(), kExists);
        QCOMPARE(app.fakes.messages.beeps, 1);
        QCOMPARE(b->shownDay(), days[0]);
        QVERIFY(b->isEnabled());
        QCOMPARE(readDiary(path), days);
    }

    void editReplacesADayAllOrNothing()
    {
        TestApp app;
        const QString path = app.pathOf(kDiary);
        const QList<ReadingDay> days{makeDay("2013-09-10", {"95"}), makeDay("2013-09-12", {"100"})};
        CurrReading *b = openWith(app, days);
        QVERIFY(b);
        // The engine refuses the new row after the old one has gone.
        refuseInDiary(path,
                      "CREATE TRIGGER refuse BEFORE INSERT ON BLOOD WHEN NEW.Bdate = '2013-09-11' "
                      "BEGIN SELECT RAISE(ABORT, 'disk full'); END");

        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        edit->Bdates->setDate(QDate(2013, 9, 11));
        QTest::mouseClick(edit->readings->boxes[0], Qt::LeftButton);
        QTest::keyClick(edit->readings->boxes[0], Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit->readings->boxes[0], QStringLiteral("200"));
        QTest::mouseClick(edit->Save, Qt::LeftButton);

        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(app.fakes.messages.lastText().contains(QStringLiteral("disk full")));
        QCOMPARE(readDiary(path), days); // the old day as it was
        QCOMPARE(b->shownDay(), days[1]);
        QVERIFY(app.frame->window(QStringLiteral("EditRds"))); // the edits are still there
        QCOMPARE(edit->readings->boxes[0]->text(), QStringLiteral("200"));
        QVERIFY(!b->isEnabled());
        QTest::mouseClick(edit->Cancel, Qt::LeftButton);
        QVERIFY(b->isEnabled());
    }

    void searchShowsTheDateOrTheNextStoredOne_data()
    {
        QTest::addColumn<QDate>("picked"); // invalid: the picker left on today
        QTest::addColumn<QString>("found");
        QTest::newRow("before the first") << QDate(2013, 2, 1) << "2013-03-01";
        QTest::newRow("a stored date") << QDate(2013, 3, 10) << "2013-03-10";
        QTest::newRow("between two") << QDate(2013, 3, 5) << "2013-03-10";
        QTest::newRow("today, untouched") << QDate() << "2013-09-20";
        QTest::newRow("after the last") << QDate(2013, 12, 1) << "";
    }

    void searchShowsTheDateOrTheNextStoredOne()
    {
        QFETCH(QDate, picked);
        QFETCH(QString, found);
        TestApp app;
        const QList<ReadingDay> days = {makeDay("2013-03-01", {"1"}), makeDay("2013-03-10", {"10", "-"}),
                                        makeDay("2013-09-20", {"20"})};
        CurrReading *b = openWith(app, days);
        QVERIFY(b);
        QTest::mouseClick(b->MoveFirst, Qt::LeftButton);

        auto *search = openFromBrowser<SearchRds>(app, "SearchRds");
        QVERIFY(search);
        if (picked.isValid())
            search->Bdates->setDate(picked);
        QTest::mouseClick(search->Search, Qt::LeftButton);

        FakeMessages &messages = app.fakes.messages;
        if (found.isEmpty()) {
            QCOMPARE(messages.beeps, 1);
            QCOMPARE(messages.lastText(), QStringLiteral("Unable to find any matching entries."));
            QVERIFY(app.shown("SearchRds"));
            QVERIFY(!b->isEnabled());
            QCOMPARE(b->shownKey(), QStringLiteral("2013-03-01"));
            // Another date from the same window.
            search->Bdates->setDate(QDate(2013, 3, 2));
            QTest::mouseClick(search->Search, Qt::LeftButton);
            found = QStringLiteral("2013-03-10");
            messages.reset();
        }
        QVERIFY(messages.shown.isEmpty());
        QVERIFY(!app.frame->window(QStringLiteral("SearchRds")));
        QVERIFY(b->isEnabled());
        for (const ReadingDay &d : days)
            if (d.key == found)
                QCOMPARE(b->shownDay(), d);
        QCOMPARE(b->shownKey(), found);
        QCOMPARE(b->shownDate(), ShortDate(found));
        QCOMPARE(readDiary(app.pathOf(kDiary)), days);
    }

    void deleteRemovesEveryEarlierDate_data()
    {
        QTest::addColumn<QDate>("picked"); // invalid: the picker left on today
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<bool>("told");
        const QStringList all{"2013-03-01", "2013-03-10", "2013-03-20", "2013-03-30"};
        QTest::newRow("before the first") << QDate(2013, 2, 1) << all << true;
        QTest::newRow("the first") << QDate(2013, 3, 1) << all << false;
        QTest::newRow("between two") << QDate(2013, 3, 15) << QStringList{"2013-03-20", "2013-03-30"} << false;
        QTest::newRow("a stored date") << QDate(2013, 3, 20) << QStringList{"2013-03-20", "2013-03-30"} << false;
        QTest::newRow("the last") << QDate(2013, 3, 30) << QStringList{"2013-03-30"} << false;
        QTest::newRow("after the last") << QDate(2013, 12, 1) << QStringList{} << false;
        QTest::newRow("today, untouched") << QDate() << QStringList{} << false;
    }

    void deleteRemovesEveryEarlierDate()
    {
        QFETCH(QDate, picked);
        QFETCH(QStringList, left);
        QFETCH(bool, told);
        TestApp app;
        const QString path = app.pathOf(kDiary);
        QList<ReadingDay> days;
        for (const char *key : {"2013-03-01", "2013-03-10", "2013-03-20", "2013-03-30"})
            days << makeDay(QLatin1String(key), {QLatin1String(key).right(2)});
        CurrReading *b = openWith(app, days);
        QVERIFY(b);
        QTest::mouseClick(b->MoveFirst, Qt::LeftButton);
        QTest::mouseClick(b->Next, Qt::LeftButton); // the browser on a date that may stay

        auto *remove = openFromBrowser<DeleteRds>(app, "DeleteRds");
        QVERIFY(remove);
        QCOMPARE(remove->Bdate->text(), QStringLiteral("2013-09-17"));
        if (picked.isValid())
            remove->Bdates->setDate(picked);
        QTest::mouseClick(remove->DeleteRecords, Qt::LeftButton);

        QCOMPARE(keys(readDiary(path)), left);
        QVERIFY(!app.frame->window(QStringLiteral("DeleteRds")));
        QVERIFY(b->isEnabled());
        QCOMPARE(app.fakes.messages.beeps, 0);
        if (told) {
            QCOMPARE(app.fakes.messages.shown.size(), 1);
            QCOMPARE(app.fakes.messages.lastText(),
                     QStringLiteral("There are no records to delete before the date you have entered."));
            QCOMPARE(b->shownKey(), QStringLiteral("2013-03-10"));
            return;
        }
        QVERIFY(app.fakes.messages.shown.isEmpty());
        if (left.isEmpty()) {
            QVERIFY(!b->showsDate());
            QCOMPARE(shownReadings(b), QStringList(8, QString()));
        } else {
            QCOMPARE(b->shownDay(), days.last()); // the last stored date
        }
    }

    void anEmptiedDiaryOpensNoWindowThatNeedsADate()
    {
        TestApp app;
        CurrReading *b = openWith(app, consecutiveDays(3));
        QVERIFY(b);
        auto *remove = openFromBrowser<DeleteRds>(app, "DeleteRds");
        remove->Bdates->setDate(QDate(2014, 1, 1));
        QTest::mouseClick(remove->DeleteRecords, Qt::LeftButton);
        QVERIFY(readDiary(app.pathOf(kDiary)).isEmpty());
        QVERIFY(!b->showsDate());

        app.frame->action(QStringLiteral("mnuUtilitiesDelMultipleRds"))->trigger();
        QTest::mouseClick(b->EditReading, Qt::LeftButton);
        QTest::mouseClick(b->Search, Qt::LeftButton);
        for (const char *name : {"DeleteRds", "EditRds", "SearchRds"})
            QVERIFY(!app.frame->window(QLatin1String(name)));
        QVERIFY(b->isEnabled());
        // Adding still works, and the browser shows the day again.
        QVERIFY(openFromBrowser<AddRds>(app, "AddRds"));
        QTest::mouseClick(app.button("AddRds", "SaveRd"), Qt::LeftButton);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-09-17"));
    }

    void bulkDeleteIsAllOrNothing()
    {
        TestApp app;
        const QString path = app.pathOf(kDiary);
        const QList<ReadingDay> days = consecutiveDays(5);
        CurrReading *b = openWith(app, days);
        QVERIFY(b);
        refuseInDiary(path,
                      "CREATE TRIGGER refuse BEFORE DELETE ON BLOOD WHEN OLD.Bdate = '2013-01-03' "
                      "BEGIN SELECT RAISE(ABORT, 'disk full'); END");

        auto *remove = openFromBrowser<DeleteRds>(app, "DeleteRds");
        remove->Bdates->setDate(QDate(2013, 1, 5));
        QTest::mouseClick(remove->DeleteRecords, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.shown[0].icon, MsgIcon::Critical);
        QCOMPARE(readDiary(path), days); // the first two dates came back too
        QCOMPARE(b->shownDay(), days.last());
        QVERIFY(app.frame->window(QStringLiteral("DeleteRds")));
    }

    void deleteCurrentDateIsAllOrNothing()
    {
        TestApp app;
        const QString path = app.pathOf(kDiary);
        const QList<ReadingDay> days = consecutiveDays(5);
        CurrReading *b = openWith(app, days);
        QVERIFY(b);
        QTest::mouseClick(b->Previous, Qt::LeftButton);
        QTest::mouseClick(b->Previous, Qt::LeftButton);
        QCOMPARE(b->shownDay(), days[2]);
        // The date after the shown one cannot be read: the delete fails after
        // the shown day has gone, when it comes to show the next one.
        refuseInDiary(path, "UPDATE BLOOD SET Night = '' WHERE Bdate = '2013-01-04'");

        app.fakes.messages.reset();
        QTest::mouseClick(b->DeleteReading, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.shown.size(), 2); // the question, then the failure
        QCOMPARE(app.fakes.messages.shown[1].icon, MsgIcon::Critical);
        QCOMPARE(b->shownDay(), days[2]); // still stored, still shown
        Database db = Database::open(path, Database::Access::ReadOnly);
        Cursor c(db);
        c.seek(SeekOp::Equal, days[2].key);
        QVERIFY(!c.noMatch());
    }

    void aSecondWindowKeepsTheBrowserDisabledAndEditKeepsItsDay()
    {
        TestApp app;
        const QString path = app.pathOf(kDiary);
        CurrReading *b =
            openWith(app, {makeDay("2013-03-01", {"1"}), makeDay("2013-03-10", {"10"}), makeDay("2013-03-20", {"20"})});
        QVERIFY(b);
        QTest::mouseClick(b->Previous, Qt::LeftButton); // 2013-03-10
        auto *edit = openFromBrowser<EditRds>(app, "EditRds");
        QTest::mouseClick(edit->readings->boxes[1], Qt::LeftButton);
        QTest::keyClicks(edit->readings->boxes[1], QStringLiteral("11"));

        // The menu still opens the bulk delete, which takes the edited day away.
        auto *remove = openFromBrowser<DeleteRds>(app, "DeleteRds");
        QVERIFY(remove);
        remove->Bdates->setDate(QDate(2013, 3, 15));
        QTest::mouseClick(remove->DeleteRecords, Qt::LeftButton);
        QCOMPARE(keys(readDiary(path)), QStringList{"2013-03-20"});
        QCOMPARE(b->shownKey(), QStringLiteral("2013-03-20"));
        QVERIFY(!b->isEnabled()); // the edit window still holds it

        // Saving the edit stores its own day and leaves the shown one alone.
        QTest::mouseClick(edit->Save, Qt::LeftButton);
        QCOMPARE(readDiary(path),
                 (QList<ReadingDay>{makeDay("2013-03-10", {"10", "11"}), makeDay("2013-03-20", {"20"})}));
        QCOMPARE(b->shownKey(), QStringLiteral("2013-03-10"));
        QVERIFY(b->isEnabled());
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TestReadings)
#include "tst_readings.moc"
