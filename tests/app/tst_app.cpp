// The main frame: its menus and their enabling, the start-up choice, About,
// creating a diary and opening one.

#include "app/About.h"
#include "app/BloodMenu.h"
#include "readings/CurrReading.h"
#include "store/MakeDatabase.h"
#include "store/SelectDbase.h"
#include "support/TestSupport.h"

#include <QAction>
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
};

QTEST_MAIN(TestApp_)
#include "tst_app.moc"
