// The main frame: its menus and their enabling, the start-up choice, About,
// creating a diary and opening one, and the holds windows take on the
// browser, the menus and the start-up choice.

#include "app/About.h"
#include "app/BloodMenu.h"
#include "opening/MakeDatabase.h"
#include "opening/SelectDbase.h"
#include "readings/CurrReading.h"
#include "support/FakeFiles.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <sqlite3.h>

namespace {

// The captions of a menu, separators written as their names.
QStringList menuEntries(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions())
        out << (a->isSeparator() ? a->objectName() + QStringLiteral("=-")
                                 : a->objectName() + QLatin1Char('=') + a->text());
    return out;
}

const char *const kOffWhileOpen[] = {"mnuFileBackupRestore", "mnuUtilitiesRestore", "mnuUtilitiesCompact",
                                     "mnuUtilitiesRepair"};
const char *const kOnWhileOpen[] = {"mnuUtilitiesBackup", "mnuUtilitiesDelMultipleRds", "mnuUtilitiesImport"};

void checkEnabling(const MDIStart &frame, bool databaseOpen)
{
    for (const char *name : kOffWhileOpen)
        QVERIFY2(frame.action(QLatin1String(name))->isEnabled() == !databaseOpen, name);
    for (const char *name : kOnWhileOpen)
        QVERIFY2(frame.action(QLatin1String(name))->isEnabled() == databaseOpen, name);
    QCOMPARE(frame.menu(QStringLiteral("mnuGraphs"))->isEnabled(), databaseOpen);
    for (const char *name : {"mniFile", "mnuUtilities", "mnuAbout"})
        QVERIFY2(frame.menu(QLatin1String(name))->isEnabled(), name);
}

QStringList folderFiles(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// A window standing in for one that another part of the program opens, to
// see whether a guarded menu item opened it.
class Probe : public ChildWindow {
public:
    Probe(Shell &shell, const QString &name) : ChildWindow(shell, name) {}
};

// ------------------------------------------------------------------ holds

enum HeldPart { Browser = 1, Menus = 2, StartChoice = 4 };

// How a window's loading step is made to decline.
enum class Fail {
    Never,      // its loading step always shows it
    NoDate,     // the browser shows no date (an empty diary)
    Unreadable, // the diary is spoiled under the open browser
    NoFile,     // the file dialog is cancelled
    Corrupt,    // the chosen file is no diary
};

struct Holder {
    const char *window;
    const char *opener; // a menu item, else a button of the browser
    int holds;          // HeldPart flags
    const char *exit;   // its Exit or Cancel button
    const char *done;   // the button that does its work and closes it, if any
    bool escapeCloses;
    Fail fail;
    bool needsDiary;
};

const QList<Holder> &holders()
{
    static const QList<Holder> list = {
        {"AddRds", "AddNewDate", Browser, "CancelAdd", "SaveRd", true, Fail::Never, true},
        {"EditRds", "EditReading", Browser, "Cancel", "Save", true, Fail::NoDate, true},
        {"SearchRds", "Search", Browser, "Cancel", nullptr, true, Fail::Never, true},
        {"DeleteRds", "mnuUtilitiesDelMultipleRds", Browser, "Cancel", nullptr, true, Fail::Never, true},
        {"Display", "PrtToScr", Browser, "CloseDisplay", nullptr, true, Fail::Unreadable, true},
        {"StdRptByDate", "PrtRpt", Browser, "Cancel", nullptr, true, Fail::NoDate, true},
        {"ImportReadings", "mnuUtilitiesImport", Browser, "Cancel", nullptr, true, Fail::NoFile, true},
        {"BfastLine", "mnuGraphsPreBfast", Browser | Menus, "Exit", nullptr, true, Fail::Unreadable, true},
        {"NightLine", "mnuGrphsNightLine", Browser | Menus, "Exit", nullptr, true, Fail::NoDate, true},
        {"StandardDay", "mnuGraphsStandardDay", Browser | Menus, "Exit", nullptr, true, Fail::Unreadable, true},
        {"RestBackup", "mnuUtilitiesRestore", Menus, "Cancel", nullptr, true, Fail::Never, false},
        {"Cback", "mnuFileBackupRestore", StartChoice, "CancelCon", nullptr, true, Fail::Never, false},
        {"CompactDbase", "mnuUtilitiesCompact", StartChoice, "Cancel", nullptr, true, Fail::Never, false},
        {"RepairDbase", "mnuUtilitiesRepair", StartChoice, "Cancel", nullptr, true, Fail::Never, false},
        // The browser itself keeps the start-up choice hidden.
        {"CurrReading", nullptr, StartChoice, "CloseDbase", nullptr, false, Fail::Corrupt, false},
    };
    return list;
}

const Holder &holderNamed(const QString &name)
{
    for (const Holder &h : holders())
        if (QLatin1String(h.window) == name)
            return h;
    qFatal("no such holder");
}

const QString kDiary = QStringLiteral("Ann Smith.bcl");

// The frame with what a holder needs: the diary open (its days or none) and
// an import file the file dialog answers with.
struct HoldScene {
    explicit HoldScene(const Holder &h, bool withDays = true)
    {
        app.frame->services().files = &files;
        writeBytes(app.pathOf(QStringLiteral("readings.csv")), "Date,Pre-Breakfast\n2013-03-05,100\n");
        files.answers << app.pathOf(QStringLiteral("readings.csv"));
        writeDiary(app.pathOf(kDiary), withDays ? consecutiveDays(40) : QList<ReadingDay>{});
        app.frame->activateWindow();
        if (!QTest::qWaitForWindowActive(app.frame.get()))
            qWarning("the frame did not become active");
        if (h.needsDiary)
            browser = app.openDiary(kDiary);
    }
    ~HoldScene() { settle(); }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // Opens the holder as the user does.
    void open(const Holder &h)
    {
        if (!h.opener)
            browser = app.openDiary(kDiary);
        else if (QAction *item = app.frame->action(QLatin1String(h.opener)))
            item->trigger();
        else
            app.click("CurrReading", h.opener);
    }

    TestApp app;
    FakeFileDialogs files;
    CurrReading *browser = nullptr;
};

QWidget *subOf(const TestApp &app, const char *window)
{
    ChildWindow *w = app.frame->window(QLatin1String(window));
    return w ? w->parentWidget() : nullptr;
}

// The frame as it must be with `holding` open (or none), the browser open or
// not: the browser, the menus, the start-up choice, and the keyboard in
// `keyboardIn`.
void checkFrame(const TestApp &app, const Holder *holding, const char *keyboardIn)
{
    const int held = holding ? holding->holds : 0;
    const bool diaryOpen = app.frame->window(QStringLiteral("CurrReading")) != nullptr;
    if (diaryOpen)
        QCOMPARE(subOf(app, "CurrReading")->isEnabled(), !(held & Browser));
    const bool menus = !(held & Menus);
    for (const char *name : {"mniFile", "mnuUtilities"})
        QVERIFY2(app.frame->menu(QLatin1String(name))->menuAction()->isEnabled() == menus, name);
    QCOMPARE(app.frame->menu(QStringLiteral("mnuGraphs"))->menuAction()->isEnabled(), menus && diaryOpen);
    if (!held)
        checkEnabling(*app.frame, diaryOpen);
    QCOMPARE(app.shown("BloodMenu"), !diaryOpen && !(held & StartChoice));

    QWidget *sub = subOf(app, keyboardIn);
    QVERIFY2(sub && sub->isVisible() && sub->isEnabled(), keyboardIn);
    QCOMPARE(app.frame->area()->activeSubWindow(), sub);
    QWidget *focus = QApplication::focusWidget();
    QVERIFY2(focus && sub->isAncestorOf(focus), focus ? qPrintable(focus->objectName()) : "no focus");
}

} // namespace

class TestApp_ : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void startsWithTheMenuTreeAndNoDiaryOpen()
    {
        TestApp app;
        QCOMPARE(app.frame->windowTitle(), QStringLiteral("Levelbook  Press F1 for Help"));
        QStringList top;
        for (const QAction *a : app.frame->menuBar()->actions())
            top << a->menu()->objectName() + QLatin1Char('=') + a->text();
        QCOMPARE(top,
                 (QStringList{"mniFile=&File", "mnuUtilities=&Urilities", "mnuGraphs=&Graphs", "mnuAbout=&About"}));

        QCOMPARE(menuEntries(app.frame->menu(QStringLiteral("mniFile"))),
                 (QStringList{"mnuFileBackupRestore=&Configure Backup/Restore", "Line1=-", "mnuFileExit=E&Xit"}));
        QCOMPARE(
            menuEntries(app.frame->menu(QStringLiteral("mnuUtilities"))),
            (QStringList{"mnuUtilitiesBackup=&Backuo Data", "Line2=-", "mnuUtilitiesRestore=&Restore Data", "Line3=-",
                         "mnuUtilitiesCompact=&Compact a Database", "Line4=-", "mnuUtilitiesRepair=R&Epair a Database",
                         "Line5=-", "mnuUtilitiesDelMultipleRds=&Delete Multiple Readings", "Line13=-",
                         "mnuUtilitiesImport=&Import Readings..."}));
        QCOMPARE(
            menuEntries(app.frame->menu(QStringLiteral("mnuGraphs"))),
            (QStringList{"mnuGraphsPreBfast=&Pre-Breakfast", "Line6=-", "mnuGraphsAfastLine=&After Breakfast",
                         "Line7=-", "mnuGraphsPreLunch=Pre-&Lunch", "Line8=-", "mnuGraphsAlunchLine=A&fter Lunch",
                         "Line9=-", "mnuGraphsBdinnerLine=Pre-&Dinner", "Line10=-",
                         "mnuGraphsAdinnerLine=Af&ter Dinner", "Line11=-", "mnuGraphasBedTimeLine=&Bedtime", "Line12=-",
                         "mnuGrphsNightLine=&Night", "Line13=-", "mnuGraphsStandardDay=&Standard Day..."}));
        QCOMPARE(menuEntries(app.frame->menu(QStringLiteral("mnuAbout"))), QStringList{"mnuAboutAbout=A&Bout"});
        checkEnabling(*app.frame, false);
        QCOMPARE(app.frame->action(QStringLiteral("mnuGraphsPreBfast"))->property("helpContext").toInt(), 310);
        QCOMPARE(app.frame->action(QStringLiteral("mnuUtilitiesCompact"))->property("helpContext").toInt(), 120);
    }

    void startUpChoiceIsABorderlessBlackWindowInTheMiddle()
    {
        TestApp app;
        QVERIFY(app.shown("BloodMenu"));
        auto *menu = app.window<BloodMenu>("BloodMenu");
        QWidget *frame = menu->parentWidget();
        QVERIFY(frame->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(menu->palette().color(QPalette::Window), QColor(Qt::black));
        QCOMPARE(menu->Command1->text(), QStringLiteral("Create New Database"));
        QCOMPARE(menu->Command2->text(), QStringLiteral("Open An Existing Database"));
        QCOMPARE(menu->Command3->text(), QStringLiteral("Exit Program"));
        QCOMPARE(menu->Command1->nextInFocusChain(), menu->Command2);
        QCOMPARE(menu->Command2->nextInFocusChain(), menu->Command3);
        QVERIFY(menu->Command1->y() < menu->Command2->y() && menu->Command2->y() < menu->Command3->y());
        const QSize room = app.frame->area()->viewport()->size();
        QVERIFY(qAbs(frame->x() - (room.width() - frame->width()) / 2) <= 1);
        QVERIFY(qAbs(frame->y() - (room.height() - frame->height()) / 2) <= 1);
    }

    void exitEndsAtOnceFromTheMenuAndTheChoice()
    {
        TestApp app;
        app.frame->action(QStringLiteral("mnuFileExit"))->trigger();
        QCOMPARE(app.exits, 1);
        app.click("BloodMenu", "Command3");
        QCOMPARE(app.exits, 2);
    }

    void aboutShowsItsLabelsAndCloses()
    {
        TestApp app;
        app.frame->action(QStringLiteral("mnuAboutAbout"))->trigger();
        auto *about = app.window<About>("About");
        QVERIFY(about && app.shown("About"));
        QCOMPARE(about->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("Levelbook"));
        QCOMPARE(about->findChild<QLabel *>(QStringLiteral("Label2"))->text(), QStringLiteral("Version 1.10"));
        QVERIFY(!about->findChild<QLabel *>(QStringLiteral("Label3"))->text().isEmpty());
        QVERIFY(!about->findChild<QLabel *>(QStringLiteral("Label4"))->text().isEmpty());
        QVERIFY(about->windowTitle().isEmpty());
        app.frame->action(QStringLiteral("mnuAboutAbout"))->trigger(); // opening it again does nothing
        QCOMPARE(app.frame->findChildren<About *>().size(), 1);
        app.click("About", "Command1");
        QVERIFY(!app.frame->window(QStringLiteral("About")));
    }

    void createMakesTheFileAndRefusesItTwice()
    {
        TestApp app;
        app.click("BloodMenu", "Command1");
        auto *make = app.window<MakeDatabase>("MakeDatabase");
        QVERIFY(make);
        QCOMPARE(make->windowTitle(), QStringLiteral("Create New Database"));
        QCOMPARE(make->CreateDatabase->toolTip(), QStringLiteral("Create database with first and last names entered."));
        QCOMPARE(make->CancelMake->toolTip(), QStringLiteral("Cancel operation and close window."));
        QCOMPARE(make->FirstName->nextInFocusChain(), make->LastName);
        QTest::keyClicks(make->FirstName, QStringLiteral("Ann"));
        QTest::keyClicks(make->LastName, QStringLiteral("Smith"));
        QTest::mouseClick(make->CreateDatabase, Qt::LeftButton);
        QVERIFY(!app.frame->window(QStringLiteral("MakeDatabase")));
        QVERIFY(QFile::exists(app.pathOf("Ann Smith.bcl")));
        QVERIFY(readDiary(app.pathOf("Ann Smith.bcl")).isEmpty());
        QVERIFY(app.shown("BloodMenu"));
        QVERIFY(app.fakes.messages.shown.isEmpty());

        app.click("BloodMenu", "Command1");
        make = app.window<MakeDatabase>("MakeDatabase");
        QTest::keyClicks(make->FirstName, QStringLiteral("Ann"));
        QTest::keyClicks(make->LastName, QStringLiteral("Smith"));
        QTest::keyClick(make->LastName, Qt::Key_Return); // Enter presses Create
        QCOMPARE(app.fakes.messages.beeps, 1);
        QCOMPARE(app.fakes.messages.lastText(),
                 QStringLiteral(
                     "That database already exists. Change the first or last name or both to create a new database."));
        QVERIFY(app.frame->window(QStringLiteral("MakeDatabase")));
        QCOMPARE(make->FirstName->text(), QStringLiteral("Ann"));
        QCOMPARE(folderFiles(app.folder()), QStringList{"Ann Smith.bcl"});

        // Empty names make " .bcl", as they always have.
        make->FirstName->clear();
        make->LastName->clear();
        QTest::mouseClick(make->CreateDatabase, Qt::LeftButton);
        QVERIFY(QFile::exists(app.pathOf(" .bcl")));

        // Cancel and Escape make nothing.
        app.click("BloodMenu", "Command1");
        QTest::keyClicks(app.window<MakeDatabase>("MakeDatabase")->FirstName, QStringLiteral("Bob"));
        app.click("MakeDatabase", "CancelMake");
        QVERIFY(!app.frame->window(QStringLiteral("MakeDatabase")));
        app.click("BloodMenu", "Command1");
        QTest::keyClick(app.window<MakeDatabase>("MakeDatabase")->FirstName, Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("MakeDatabase")));
        QCOMPARE(folderFiles(app.folder()), (QStringList{" .bcl", "Ann Smith.bcl"}));
    }

    void createRefusesNamesThatLeaveTheFolder()
    {
        TestApp app;
        app.click("BloodMenu", "Command1");
        auto *make = app.window<MakeDatabase>("MakeDatabase");
        const QList<QPair<QString, QString>> names{{"../../tmp/evil", "x"},
                                                   {"Ann", "Smith/Jones"},
                                                   {"Ann\\", "Smith"},
                                                   {"Ann\tB", "Smith"},
                                                   {QString(300, QLatin1Char('a')), "Smith"}};
        for (const auto &[first, last] : names) {
            app.fakes.messages.reset();
            make->FirstName->setText(first);
            make->LastName->setText(last);
            QTest::mouseClick(make->CreateDatabase, Qt::LeftButton);
            QCOMPARE(app.fakes.messages.shown.size(), 1);
            QVERIFY(app.frame->window(QStringLiteral("MakeDatabase")));
        }
        QVERIFY(folderFiles(app.folder()).isEmpty());
        QVERIFY(!QFile::exists(QStringLiteral("/tmp/evil x.bcl")));
    }

    void createThatFailsSaysSoAndLeavesNothing()
    {
        TestApp app;
        app.click("BloodMenu", "Command1");
        auto *make = app.window<MakeDatabase>("MakeDatabase");
        // The data folder vanishes under the program.
        QVERIFY(QDir(app.folder()).removeRecursively());
        make->FirstName->setText(QStringLiteral("Ann"));
        make->LastName->setText(QStringLiteral("Smith"));
        QTest::mouseClick(make->CreateDatabase, Qt::LeftButton);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.shown[0].icon, MsgIcon::Critical);
        QVERIFY(app.frame->window(QStringLiteral("MakeDatabase")));
        QVERIFY(!QDir(app.folder()).exists());
        QDir().mkpath(app.folder());
    }

    void openListsDiariesAndSwapsTheMenus()
    {
        TestApp app;
        writeDiary(app.pathOf("Bob Jones.bcl"), consecutiveDays(3));
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(2));
        QFile(app.pathOf("notes.txt")).open(QIODevice::WriteOnly);

        app.click("BloodMenu", "Command2");
        auto *select = app.window<SelectDbase>("SelectDbase");
        QVERIFY(select);
        QCOMPARE(select->windowTitle(), QStringLiteral("Select Database"));
        QCOMPARE(select->findChild<QLabel *>(QStringLiteral("Label1"))->text(),
                 QStringLiteral("Double click the database you want to open."));
        QCOMPARE(select->Command1->toolTip(), QStringLiteral("Cancel operation and close window."));
        QStringList listed;
        for (int i = 0; i < select->File1->count(); ++i)
            listed << select->File1->item(i)->text();
        QCOMPARE(listed, (QStringList{"Ann Smith.bcl", "Bob Jones.bcl"}));

        // A second click on "Open An Existing Database" keeps one window.
        app.click("BloodMenu", "Command2");
        QCOMPARE(app.frame->findChildren<SelectDbase *>().size(), 1);

        CurrReading *browser = app.openDiary("Bob Jones.bcl");
        QVERIFY(browser);
        QCOMPARE(browser->DatabaseName->text(), QStringLiteral("Bob Jones"));
        QCOMPARE(browser->shownKey(), QStringLiteral("2013-01-03"));
        checkEnabling(*app.frame, true);
        QVERIFY(!app.shown("SelectDbase") && !app.shown("BloodMenu"));
        QVERIFY(app.shown("CurrReading"));

        app.click("CurrReading", "CloseDbase");
        checkEnabling(*app.frame, false);
        QVERIFY(app.shown("BloodMenu"));
    }

    void cancelAndAnEmptyChoiceCloseTheOpenWindow()
    {
        TestApp app;
        app.click("BloodMenu", "Command2");
        auto *select = app.window<SelectDbase>("SelectDbase");
        QCOMPARE(select->File1->count(), 0);
        emit select->File1->itemActivated(nullptr); // a double-click that selects nothing
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        QVERIFY(app.fakes.messages.shown.isEmpty());

        app.click("BloodMenu", "Command2");
        QTest::keyClick(app.window<SelectDbase>("SelectDbase")->File1, Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        app.click("BloodMenu", "Command2");
        app.click("SelectDbase", "Command1");
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        QVERIFY(app.shown("BloodMenu"));
        checkEnabling(*app.frame, false);
    }

    void aFileThatIsNotADiaryIsCalledCorrupted()
    {
        TestApp app;
        QFile text(app.pathOf("Text File.bcl"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("Monday: 120\nTuesday: 95\n");
        text.close();
        sqlite3 *other = nullptr;
        sqlite3_open(QFile::encodeName(app.pathOf("Other App.bcl")).constData(), &other);
        sqlite3_exec(other, "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); INSERT INTO notes VALUES (1, 'x')",
                     nullptr, nullptr, nullptr);
        sqlite3_close(other);
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(2));
        const QByteArray before = [&] {
            QFile f(app.pathOf("Other App.bcl"));
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }();

        for (const char *file : {"Text File.bcl", "Other App.bcl"}) {
            app.fakes.messages.reset();
            QVERIFY(!app.openDiary(QLatin1String(file)));
            QCOMPARE(app.fakes.messages.shown.size(), 1);
            QCOMPARE(app.fakes.messages.lastText(),
                     QStringLiteral("The file you are trying to open has become corrupted.  Use the repair utility to "
                                    "repair the file."));
            QVERIFY(app.fakes.messages.shown[0].title.isEmpty());
            QCOMPARE(app.fakes.messages.shown[0].buttons, MsgButtons::Ok);
            QVERIFY(app.shown("SelectDbase") && app.shown("BloodMenu"));
            checkEnabling(*app.frame, false);
            QVERIFY(!app.frame->window(QStringLiteral("CurrReading")));
        }
        QFile f(app.pathOf("Other App.bcl"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), before); // only read, never changed

        // The failed browser is gone: the next choice loads afresh.
        app.fakes.messages.reset();
        CurrReading *browser = app.openDiary("Ann Smith.bcl");
        QVERIFY(browser);
        QCOMPARE(browser->shownKey(), QStringLiteral("2013-01-02"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void guardedItemsOpenOnlyWhileADateIsShown()
    {
        TestApp app;
        for (const char *name : {"DeleteRds", "BfastLine", "NightLine"}) {
            const QString n = QLatin1String(name);
            app.frame->registry().addWindow(n, [n](Shell &s) { return new Probe(s, n); });
        }
        writeDiary(app.pathOf("No Days.bcl"), {});
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(1));

        QVERIFY(app.openDiary("No Days.bcl"));
        checkEnabling(*app.frame, true);
        for (const char *item : {"mnuUtilitiesDelMultipleRds", "mnuGraphsPreBfast", "mnuGrphsNightLine"})
            app.frame->action(QLatin1String(item))->trigger();
        for (const char *name : {"DeleteRds", "BfastLine", "NightLine"})
            QVERIFY2(!app.frame->window(QLatin1String(name)), name);
        app.click("CurrReading", "CloseDbase");

        QVERIFY(app.openDiary("Ann Smith.bcl"));
        app.frame->action(QStringLiteral("mnuUtilitiesDelMultipleRds"))->trigger();
        app.frame->action(QStringLiteral("mnuGrphsNightLine"))->trigger();
        QVERIFY(app.frame->window(QStringLiteral("DeleteRds")));
        QVERIFY(app.frame->window(QStringLiteral("NightLine")));
    }

    // Every window that holds part of the frame, opened and closed by each
    // route it has, or declining to open: what it holds waits while it is
    // open and comes back whatever the route, the keyboard with it.
    void everyHolderGivesBackWhatItHolds_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("route");
        for (const Holder &h : holders()) {
            QStringList routes{QStringLiteral("exit"), QStringLiteral("close box")};
            if (h.done)
                routes << QStringLiteral("done");
            if (h.escapeCloses)
                routes << QStringLiteral("escape");
            if (h.fail != Fail::Never)
                routes << QStringLiteral("failed load");
            for (const QString &r : routes)
                QTest::addRow("%s, %s", h.window, qPrintable(r)) << QString::fromLatin1(h.window) << r;
        }
    }

    void everyHolderGivesBackWhatItHolds()
    {
        QFETCH(QString, window);
        QFETCH(QString, route);
        const Holder &h = holderNamed(window);
        const QByteArray name = window.toLatin1();
        HoldScene scene(h, !(route == QLatin1String("failed load") && h.fail == Fail::NoDate));
        TestApp &app = scene.app;
        QVERIFY(!h.needsDiary || scene.browser);
        // Where the keyboard is before the holder opens, and goes after it.
        const char *home = h.needsDiary ? "CurrReading" : "BloodMenu";
        checkFrame(app, nullptr, home);

        if (route == QLatin1String("failed load")) {
            const char *before = home;
            switch (h.fail) {
            case Fail::Unreadable: writeBytes(app.pathOf(kDiary), "not a diary at all"); break;
            case Fail::NoFile: scene.files.answers = {QString()}; break;
            case Fail::Corrupt:
                writeBytes(app.pathOf(kDiary), "not a diary at all");
                before = "SelectDbase"; // the choice stays for another try
                break;
            default: break;
            }
            if (h.fail == Fail::Corrupt)
                scene.open(h);
            else
                QVERIFY(!app.frame->openWindow(window));
            scene.settle();
            QVERIFY(!app.frame->window(window));
            checkFrame(app, nullptr, before);
            return;
        }

        scene.open(h);
        ChildWindow *w = app.frame->window(window);
        QVERIFY(w && app.shown(name.constData()));
        checkFrame(app, &h, name.constData());

        if (route == QLatin1String("exit"))
            app.click(name.constData(), h.exit);
        else if (route == QLatin1String("done"))
            app.click(name.constData(), h.done);
        else if (route == QLatin1String("escape"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            w->parentWidget()->close();
        scene.settle();
        QVERIFY(!app.frame->window(window));
        checkFrame(app, nullptr, QLatin1String(h.window) == QLatin1String("CurrReading") ? "BloodMenu" : home);
    }

    // Holds are counted per kind: what two windows hold comes back only when
    // both have let go, in either order.
    void aPartHeldTwiceComesBackWithTheLastHolder_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("firstClosesFirst");
        const char *pairs[][2] = {
            {"Display", "BfastLine"}, {"AddRds", "DeleteRds"}, {"BfastLine", "StandardDay"}, {"Cback", "CompactDbase"}};
        for (const auto &p : pairs)
            for (bool firstFirst : {true, false})
                QTest::addRow("%s and %s, %s closes first", p[0], p[1], firstFirst ? p[0] : p[1])
                    << QString::fromLatin1(p[0]) << QString::fromLatin1(p[1]) << firstFirst;
    }

    void aPartHeldTwiceComesBackWithTheLastHolder()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, firstClosesFirst);
        const Holder &a = holderNamed(first);
        const Holder &b = holderNamed(second);
        HoldScene scene(a);
        TestApp &app = scene.app;
        scene.open(a);
        QVERIFY(app.frame->window(first));
        // The second opens through the shell: its menu item may be held off.
        QVERIFY(app.frame->openWindow(second));
        const Holder &stays = firstClosesFirst ? b : a;
        const Holder &goes = firstClosesFirst ? a : b;
        app.click(goes.window, goes.exit);
        scene.settle();
        QVERIFY(!app.frame->window(QLatin1String(goes.window)));
        checkFrame(app, &stays, stays.window);
        app.click(stays.window, stays.exit);
        scene.settle();
        checkFrame(app, nullptr, a.needsDiary ? "CurrReading" : "BloodMenu");
    }

    // A diary opened while the backup-location window is up: closing that
    // window leaves the start-up choice hidden, for the browser holds it too
    // (it used to come back and stand beside the open diary).
    void theStartChoiceStaysHiddenUnderTheBrowser()
    {
        TestApp app;
        writeDiary(app.pathOf(kDiary), consecutiveDays(3));
        app.click("BloodMenu", "Command2");
        app.frame->action(QStringLiteral("mnuFileBackupRestore"))->trigger();
        QVERIFY(app.shown("Cback") && !app.shown("BloodMenu"));
        QVERIFY(app.openDiary(kDiary));
        app.click("Cback", "CancelCon");
        HoldScene::settle();
        QVERIFY(!app.frame->window(QStringLiteral("Cback")));
        QVERIFY(!app.shown("BloodMenu"));
        app.click("CurrReading", "CloseDbase");
        HoldScene::settle();
        QVERIFY(app.shown("BloodMenu"));
        checkEnabling(*app.frame, false);
    }
};

QTEST_MAIN(TestApp_)
#include "tst_app.moc"
