// Hostile names, folders and files: names that would leave the data folder or
// that the file system refuses, a data folder that may not be written or that
// vanishes, a diary deleted, replaced by garbage, locked or left half changed
// by another program, and a full disk. Each ends with a clear message, the
// program goes on, and no stored day is lost or changed.

#include "HostileSupport.h"
#include "app/DataFolder.h"
#include "charts/LineChart.h"
#include "core/BackupFiles.h"
#include "core/Database.h"
#include "core/DiaryChanges.h"
#include "listing/Display.h"
#include "maintenance/Cback.h"
#include "maintenance/DiaryListWindows.h"
#include "opening/MakeDatabase.h"
#include "opening/SelectDbase.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/QtPrinting.h"
#include "printing/Reports.h"
#include "readings/CurrReading.h"
#include "readings/DateKeyWindow.h"
#include "readings/EditRds.h"
#include "readings/ReadingEntry.h"
#include "reports/StdRptByDate.h"
#include "support/FakePrinting.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kAnn = QStringLiteral("Ann Smith.bcl");

// The main frame, with the windows closed during a test deleted before it.
struct App : TestApp {
    ~App() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

void trigger(TestApp &app, const char *item)
{
    QAction *a = app.frame->action(QLatin1String(item));
    if (!a)
        qFatal("no menu item %s", item);
    a->trigger();
}

void doubleClick(QListWidget *list, const QString &text)
{
    const auto items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    list->setCurrentItem(items.first());
    const QPoint at = list->visualItemRect(items.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

// Runs a maintenance window on one file of the data folder.
void runOnFile(App &app, const char *menuItem, const char *window, const QString &file)
{
    trigger(app, menuItem);
    auto *w = app.window<DiaryListWindow>(window);
    QVERIFY(w);
    doubleClick(w->File1, file);
}

void createDiary(App &app, const QString &first, const QString &last)
{
    if (!app.frame->window(QStringLiteral("MakeDatabase")))
        app.click("BloodMenu", "Command1");
    auto *make = app.window<MakeDatabase>("MakeDatabase");
    QVERIFY(make);
    make->FirstName->setText(first);
    make->LastName->setText(last);
    QTest::mouseClick(make->CreateDatabase, Qt::LeftButton);
}

void saveBackupLocation(App &app, const QString &path)
{
    trigger(app, "mnuFileBackupRestore");
    auto *cback = app.window<Cback>("Cback");
    QVERIFY(cback);
    cback->Bpath->setText(path);
    QTest::mouseClick(cback->SaveCon, Qt::LeftButton);
}

// The browser's steps that read and the one that writes, each of which must
// end in one message when the diary cannot be reached; the browser stays.
void browserStepsFail(App &app, CurrReading *browser, const QString &shownKey)
{
    for (const char *button : {"Next", "Previous", "MoveFirst", "MoveLast", "DeleteReading"}) {
        app.fakes.messages.reset();
        app.click("CurrReading", button);
        // The diary is opened before anything is asked, so the delete is
        // told at once too.
        QVERIFY2(app.fakes.messages.shown.size() == 1, button);
        QCOMPARE(app.fakes.messages.shown.last().icon, MsgIcon::Critical);
        QCOMPARE(browser->shownKey(), shownKey);
    }
}

// The windows that read or change the diary the browser shows, each with the
// button (or the two) of the action the user takes in it.
struct DiaryWindow {
    const char *name;
    const char *opener; // a browser button, or a menu item ("mnu...")
    const char *button;
    const char *secondButton; // a second step of the same action, or null
    bool changes;             // the action writes to the diary
    bool readsOnOpen;         // the loading step reads the diary
};

const DiaryWindow kDiaryWindows[] = {
    {"AddRds", "AddNewDate", "SaveRd", nullptr, true, false},
    {"EditRds", "EditReading", "Save", nullptr, true, false},
    {"SearchRds", "Search", "Search", nullptr, false, false},
    {"DeleteRds", "mnuUtilitiesDelMultipleRds", "DeleteRecords", nullptr, true, false},
    {"Display", "PrtToScr", "NextPage", "Previous", false, true},
    {"StdRptByDate", "PrtRpt", "PrintRpt", nullptr, false, false},
    {"BfastLine", "mnuGraphsPreBfast", "NextGroup", "Previous", false, true},
};

const DiaryWindow &diaryWindow(const QString &name)
{
    for (const DiaryWindow &w : kDiaryWindows)
        if (name == QLatin1String(w.name))
            return w;
    qFatal("no such window");
}

// The windows share a diary of 200 days from 2013-01-01, the browser on the
// first; today is 2013-09-17.
const QList<ReadingDay> &twoHundredDays()
{
    static const QList<ReadingDay> days = consecutiveDays(200);
    return days;
}

// Opens the window and fills it in for its action: a new day, the first
// day's first reading changed, a search from 2013-02-01, a delete before
// 2013-03-01, a summary page printed to `pdf`.
void openAndFillIn(App &app, const DiaryWindow &w, FakePrinterDialog &dialog, const QString &pdf)
{
    if (QLatin1String(w.opener).startsWith(QLatin1String("mnu")))
        trigger(app, w.opener);
    else
        app.click("CurrReading", w.opener);
    ChildWindow *window = app.frame->window(QLatin1String(w.name));
    if (!window)
        return; // it could not read the diary
    if (auto *edit = qobject_cast<EditRds *>(window))
        edit->readings->boxes[0]->setText(QStringLiteral("42"));
    if (auto *dated = qobject_cast<DateKeyWindow *>(window)) {
        if (QLatin1String(w.name) == QLatin1String("SearchRds"))
            dated->Bdates->setDate(QDate(2013, 2, 1));
        else if (QLatin1String(w.name) == QLatin1String("DeleteRds"))
            dated->Bdates->setDate(QDate(2013, 3, 1));
    }
    if (auto *report = qobject_cast<StdRptByDate *>(window)) {
        // The summary alone: one page, so only the end of the document can
        // find that the file was not written.
        report->Option2->setChecked(true);
        report->StartDate->setDate(QDate(2013, 1, 1));
        dialog.answers.clear();
        dialog.confirmFile(pdf);
    }
}

void act(App &app, const DiaryWindow &w)
{
    app.click(w.name, w.button);
    if (w.secondButton && app.frame->window(QLatin1String(w.name)))
        app.click(w.name, w.secondButton);
}

// What the action leaves when it went through.
void checkDone(App &app, const DiaryWindow &w, const QString &pdf)
{
    const QString name = QLatin1String(w.name);
    const QList<ReadingDay> &days = twoHundredDays();
    auto *browser = app.window<CurrReading>("CurrReading");
    QList<ReadingDay> expected = days;
    if (name == QLatin1String("AddRds"))
        expected << makeDay(QStringLiteral("2013-09-17"));
    else if (name == QLatin1String("EditRds"))
        expected[0].readings[0] = QStringLiteral("42");
    else if (name == QLatin1String("DeleteRds"))
        expected = days.mid(59);
    QCOMPARE(readDiary(app.pathOf(kAnn)), expected);
    if (name == QLatin1String("SearchRds"))
        QCOMPARE(browser->shownKey(), QStringLiteral("2013-02-01"));
    if (name == QLatin1String("StdRptByDate")) {
        const QByteArray printed = bytesOf(pdf);
        QVERIFY(printed.startsWith("%PDF") && printed.trimmed().endsWith("%%EOF"));
    }
    if (w.readsOnOpen) {
        // A page or group was turned: the window stays for more.
        QVERIFY(app.shown(w.name));
        app.frame->closeWindow(name);
    }
    QVERIFY(!app.frame->window(name));
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

    QTemporaryDir privateTemp_;

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // Every temporary folder of the test in one of its own: what appears
        // beside a data folder is then the test's doing, not another
        // program's (a compiler working in the system's temporary folder).
        QVERIFY(privateTemp_.isValid());
        // Open to everyone as the system's is: the read-only case acts as
        // another user.
        QVERIFY(QFile::setPermissions(privateTemp_.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                                          QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
        qputenv("TMPDIR", QFile::encodeName(privateTemp_.path()));
    }

    // ------------------------------------------------------------ names

    void createRefusesNamesThatLeaveTheFolderOrCannotBeFiles_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("slash") << "Ann/Bob"
                               << "Smith";
        QTest::newRow("backslash") << "Ann"
                                   << "Smith\\Jones";
        QTest::newRow("up and out") << ".."
                                    << "/../etc/passwd";
        QTest::newRow("up and out, other way") << "..\\..\\"
                                               << "x";
        QTest::newRow("tab") << "Ann\tB"
                             << "Smith";
        QTest::newRow("line feed") << "Ann"
                                   << "Smith\n";
        QTest::newRow("escape") << "Ann\x1b[2J"
                                << "Smith";
        QTest::newRow("delete") << "Ann\x7f"
                                << "Smith";
        QTest::newRow("next line") << QString(QChar(0x85)) << "Smith";
        QTest::newRow("zero width") << QStringLiteral("Ann\u200bB") << "Smith";
        QTest::newRow("nul") << QString(QChar(0)) << "Smith";
        QTest::newRow("300 letters") << QString(300, QLatin1Char('a')) << "Smith";
        QTest::newRow("300 bytes in 150 letters") << QString(150, QChar(0xE9)) << "Smith";
    }
    void createRefusesNamesThatLeaveTheFolderOrCannotBeFiles()
    {
        QFETCH(QString, first);
        QFETCH(QString, last);
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(3));
        const auto before = snapshot(app.folder());
        const auto parent = snapshot(QFileInfo(app.folder()).absolutePath());
        createDiary(app, first, last);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(app.fakes.messages.beeps, 1);
        QVERIFY(app.frame->window(QStringLiteral("MakeDatabase"))); // to change the names
        QCOMPARE(snapshot(app.folder()), before);
        QCOMPARE(snapshot(QFileInfo(app.folder()).absolutePath()).keys(), parent.keys());
    }

    void dotsAloneStayInTheFolder()
    {
        App app;
        createDiary(app, QStringLiteral(".."), QString());
        createDiary(app, QStringLiteral("."), QStringLiteral("."));
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QCOMPARE(snapshot(app.folder()).keys(), (QStringList{QStringLiteral(". ..bcl"), QStringLiteral(".. .bcl")}));
        QVERIFY(readDiary(app.pathOf(QStringLiteral(".. .bcl"))).isEmpty());
    }

    void createRefusesANameThatExistsInAnotherCase()
    {
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(3));
        const auto before = snapshot(app.folder());
        for (const auto &[first, last] :
             {std::pair{"ann", "smith"}, std::pair{"ANN", "SMITH"}, std::pair{"Ann", "smitH"}}) {
            app.fakes.messages.reset();
            createDiary(app, QLatin1String(first), QLatin1String(last));
            QCOMPARE(app.fakes.messages.beeps, 1);
            QCOMPARE(
                app.fakes.messages.lastText(),
                QStringLiteral(
                    "That database already exists. Change the first or last name or both to create a new database."));
            QCOMPARE(snapshot(app.folder()), before);
        }
        // A name that only looks alike is another person.
        app.fakes.messages.reset();
        createDiary(app, QStringLiteral("Ann"), QStringLiteral("Smith-Jones"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QVERIFY(QFile::exists(app.pathOf(QStringLiteral("Ann Smith-Jones.bcl"))));
    }

    void theLongestNameGoesThroughEveryStep()
    {
        // 196 bytes and ".bcl": as long as a diary name may be, in letters of
        // two bytes; every file made from it (copies, temporary files, the
        // kept damaged file) must still be a name the file system takes.
        const QString first = QString(97, QChar(0xF6));
        const QString name = first + QStringLiteral(" x.bcl");
        QCOMPARE(QFile::encodeName(name).size(), 200);
        QTemporaryDir backups;
        App app;
        createDiary(app, first, QStringLiteral("x"));
        QVERIFY2(app.fakes.messages.shown.isEmpty(), qPrintable(app.fakes.messages.lastText()));
        const QString diary = app.pathOf(name);
        const QList<ReadingDay> days = consecutiveDays(300);
        {
            Database db = Database::open(diary);
            Cursor c(db);
            for (const ReadingDay &d : days)
                c.append(d);
        }
        saveBackupLocation(app, backups.path());
        QVERIFY(app.openDiary(name));
        trigger(app, "mnuUtilitiesBackup");
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Backup Successful ****"));
        app.click("CurrReading", "CloseDbase");

        app.fakes.messages.reset();
        runOnFile(app, "mnuUtilitiesCompact", "CompactDbase", name);
        QVERIFY2(app.fakes.messages.shown.isEmpty(), qPrintable(app.fakes.messages.lastText()));
        {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(diary).constData(), &db);
            sqlite3_exec(db, "DROP INDEX Readings", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        runOnFile(app, "mnuUtilitiesRepair", "RepairDbase", name);
        QVERIFY2(app.fakes.messages.lastText().contains(QStringLiteral("was repaired")),
                 qPrintable(app.fakes.messages.lastText()));
        QVERIFY(QFile::exists(diary + QStringLiteral(".damaged")));
        QCOMPARE(readDiary(diary), days);

        writeDiary(diary + QStringLiteral(".new"), {});
        QVERIFY(QFile::remove(diary));
        QVERIFY(QFile::rename(diary + QStringLiteral(".new"), diary));
        runOnFile(app, "mnuUtilitiesRestore", "RestBackup", name);
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Restore Process Successful ****"));
        QCOMPARE(readDiary(diary), days);
    }

    // ------------------------------------------------------------ folders

    void aReadOnlyDataFolderChangesNothing()
    {
        QTemporaryDir backups;
        App app;
        const QList<ReadingDay> days = consecutiveDays(30);
        writeDiary(app.pathOf(kAnn), days);
        saveBackupLocation(app, backups.path());
        writeDiary(backups.filePath(kAnn), consecutiveDays(5, QDate(2016, 1, 1)));
        const auto before = snapshot(app.folder());
        QStringList shown;
        {
            ReadOnlyFolder readOnly(app.folder());
            createDiary(app, QStringLiteral("Bob"), QStringLiteral("Jones"));
            QCOMPARE(app.fakes.messages.shown.size(), 1);
            QCOMPARE(app.fakes.messages.shown[0].icon, MsgIcon::Critical);
            app.click("MakeDatabase", "CancelMake");

            // The diary opens and reads; a change is refused with a message.
            app.fakes.messages.reset();
            CurrReading *browser = app.openDiary(kAnn);
            QVERIFY(browser);
            QCOMPARE(browser->shownKey(), days.last().key);
            app.click("CurrReading", "Previous");
            QCOMPARE(browser->shownKey(), days[days.size() - 2].key);
            app.click("CurrReading", "DeleteReading");
            QCOMPARE(app.fakes.messages.shown.size(), 2);
            QCOMPARE(app.fakes.messages.shown[1].icon, MsgIcon::Critical);
            QCOMPARE(browser->shownKey(), days[days.size() - 2].key);
            app.click("CurrReading", "CloseDbase");

            app.fakes.messages.reset();
            saveBackupLocation(app, QStringLiteral("/elsewhere"));
            QCOMPARE(app.fakes.messages.shown.size(), 1);
            app.frame->closeWindow(QStringLiteral("Cback"));
            runOnFile(app, "mnuUtilitiesCompact", "CompactDbase", kAnn);
            app.frame->closeWindow(QStringLiteral("CompactDbase"));
            runOnFile(app, "mnuUtilitiesRestore", "RestBackup", kAnn);
            shown = texts(app.fakes.messages);
        }
        QCOMPARE(shown.size(), 3);
        QVERIFY2(shown[1].contains(QStringLiteral("could not be compacted")), qPrintable(shown[1]));
        QCOMPARE(shown[2], QStringLiteral("???? Restore Process Failed ????"));
        QCOMPARE(snapshot(app.folder()), before);
        QVERIFY(app.shown("BloodMenu"));
    }

    void aReadOnlyProgramFolderWithDiariesStaysTheDataFolder()
    {
        // A portable program on a write-protected stick, its diaries beside it.
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(3));
        QTemporaryDir bare, user;
        const auto everyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
            QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(user.path(), everyone));
        QVERIFY(QFile::setPermissions(bare.path(),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        {
            ReadOnlyFolder readOnly(app.folder());
            QVERIFY(!folderIsWritable(app.folder()));
            QCOMPARE(chooseDataFolder(app.folder(), user.path()), QDir(app.folder()).absolutePath());
            // Without diaries a folder that cannot be written is no data folder.
            QCOMPARE(chooseDataFolder(bare.path(), user.path()), QDir(user.path()).absolutePath());

            // The open list says which folder it shows.
            app.click("BloodMenu", "Command2");
            auto *select = app.window<SelectDbase>("SelectDbase");
            QVERIFY(select);
            QVERIFY2(select->FolderLabel->text().contains(QDir::toNativeSeparators(app.folder())),
                     qPrintable(select->FolderLabel->text()));
            QCOMPARE(select->File1->count(), 1);
            app.frame->closeWindow(QStringLiteral("SelectDbase"));
        }
        QVERIFY(QFile::setPermissions(bare.path(), everyone));
    }

    void aDataFolderRemovedUnderTheProgram()
    {
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(10));
        CurrReading *browser = app.openDiary(kAnn);
        QVERIFY(browser);
        const QString shown = browser->shownKey();
        QVERIFY(QDir(app.folder()).removeRecursively());

        browserStepsFail(app, browser, shown);
        app.click("CurrReading", "CloseDbase");
        QVERIFY(app.shown("BloodMenu"));

        app.fakes.messages.reset();
        app.click("BloodMenu", "Command2");
        QCOMPARE(app.window<SelectDbase>("SelectDbase")->File1->count(), 0);
        app.click("SelectDbase", "Command1");
        createDiary(app, QStringLiteral("Ann"), QStringLiteral("Smith"));
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        app.click("MakeDatabase", "CancelMake");
        saveBackupLocation(app, QStringLiteral("/media/stick"));
        QCOMPARE(app.fakes.messages.shown.size(), 2);
        app.frame->closeWindow(QStringLiteral("Cback"));
        trigger(app, "mnuUtilitiesCompact");
        QCOMPARE(app.window<DiaryListWindow>("CompactDbase")->File1->count(), 0);
        app.frame->closeWindow(QStringLiteral("CompactDbase"));
        QVERIFY(!QDir(app.folder()).exists()); // nothing made it again
        QDir().mkpath(app.folder());
    }

    // ------------------------------------------------------------ the open diary

    void aDiaryDeletedOrSpoiledWhileOpen_data()
    {
        QTest::addColumn<QString>("harm");
        QTest::newRow("deleted") << "deleted";
        QTest::newRow("replaced by garbage") << "garbage";
        QTest::newRow("replaced by another program's database") << "foreign";
        QTest::newRow("replaced by a folder") << "folder";
    }
    void aDiaryDeletedOrSpoiledWhileOpen()
    {
        QFETCH(QString, harm);
        App app;
        const QString diary = app.pathOf(kAnn);
        writeDiary(diary, consecutiveDays(10));
        CurrReading *browser = app.openDiary(kAnn);
        QVERIFY(browser);
        const QString shown = browser->shownKey();
        QVERIFY(QFile::remove(diary));
        if (harm == QLatin1String("garbage"))
            writeBytes(diary, QByteArray("\x01\x02 not a diary ").repeated(500));
        else if (harm == QLatin1String("foreign")) {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(diary).constData(), &db);
            sqlite3_exec(db, "CREATE TABLE BLOOD (Bdate TEXT); INSERT INTO BLOOD VALUES ('2013-01-01')", nullptr,
                         nullptr, nullptr);
            sqlite3_close(db);
        } else if (harm == QLatin1String("folder"))
            QVERIFY(QDir(app.folder()).mkdir(kAnn));
        const auto before = snapshot(app.folder());

        browserStepsFail(app, browser, shown);
        QCOMPARE(snapshot(app.folder()), before); // nothing made, nothing written
        app.click("CurrReading", "CloseDbase");
        QVERIFY(app.shown("BloodMenu"));
    }

    void aDiaryLockedByAnotherProgramWhileOpen()
    {
        QTemporaryDir backups;
        App app;
        const QString diary = app.pathOf(kAnn);
        const QList<ReadingDay> days = consecutiveDays(3000);
        writeDiary(diary, days);
        saveBackupLocation(app, backups.path());
        const QList<ReadingDay> older = consecutiveDays(5, QDate(2016, 1, 1));
        writeDiary(backups.filePath(kAnn), older);
        CurrReading *browser = app.openDiary(kAnn);
        QVERIFY(browser);
        const QString shown = browser->shownKey();
        const QByteArray whole = bytesOf(diary);

        ForeignChange other(diary);
        QVERIFY(other.holding());
        QVERIFY2(bytesOf(diary) != whole, "the other program's change is not in the file yet");

        // Waits a moment for the other program, then says it cannot go on.
        app.fakes.messages.reset();
        app.click("CurrReading", "Next");
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QCOMPARE(browser->shownKey(), shown);
        // A backup now would copy a half-changed file over the good copy.
        app.fakes.messages.reset();
        trigger(app, "mnuUtilitiesBackup");
        QCOMPARE(texts(app.fakes.messages), QStringList{QStringLiteral("???? Backup Failed ????")});
        QCOMPARE(readDiary(backups.filePath(kAnn)), older);

        // The other program dies in the middle of its change: the diary is
        // put back as it was, whoever reads it first.
        other.kill();
        QVERIFY(QFile::exists(diary + QStringLiteral("-journal")));
        app.fakes.messages.reset();
        app.click("CurrReading", "MoveFirst");
        QVERIFY2(app.fakes.messages.shown.isEmpty(), qPrintable(app.fakes.messages.lastText()));
        QCOMPARE(browser->shownKey(), days.first().key);
        trigger(app, "mnuUtilitiesBackup");
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Backup Successful ****"));
        QCOMPARE(readDiary(backups.filePath(kAnn)), days);
        QCOMPARE(readDiary(diary), days);
        QCOMPARE(integrity(diary), QStringLiteral("ok"));
    }

    void maintenanceWaitsForAnotherProgramsChange_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("compact") << "compact";
        QTest::newRow("repair") << "repair";
    }
    void maintenanceWaitsForAnotherProgramsChange()
    {
        QFETCH(QString, action);
        App app;
        const QString diary = app.pathOf(kAnn);
        const QList<ReadingDay> days = consecutiveDays(3000);
        writeDiary(diary, days);
        ForeignChange other(diary);
        QVERIFY(other.holding());
        const auto before = snapshot(app.folder());
        if (action == QLatin1String("compact"))
            runOnFile(app, "mnuUtilitiesCompact", "CompactDbase", kAnn);
        else
            runOnFile(app, "mnuUtilitiesRepair", "RepairDbase", kAnn);
        QCOMPARE(app.fakes.messages.shown.last().icon, MsgIcon::Critical);
        QVERIFY(app.fakes.messages.lastText().contains(QStringLiteral("as it was")));
        QCOMPARE(snapshot(app.folder()), before);
        other.kill();
        QCOMPARE(readDiary(diary), days);
    }

    void aFileNameThatIsNotUtf8IsLeftAlone()
    {
        // A file put into the folder by another system, its name in a
        // single-byte code page: no name of this program reaches it, so it
        // is not offered, and the lists and the diaries beside it work.
        App app;
        const QByteArray raw = QFile::encodeName(app.folder()) + "/Zo\xEB Smith.bcl";
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, "x", 1), ssize_t(1));
        ::close(fd);
        writeDiary(app.pathOf(kAnn), consecutiveDays(4));
        for (const char *item : {"mnuUtilitiesCompact", "mnuUtilitiesRepair"}) {
            trigger(app, item);
            const QString window = QLatin1String(item) == QLatin1String("mnuUtilitiesCompact")
                ? QStringLiteral("CompactDbase")
                : QStringLiteral("RepairDbase");
            auto *list = qobject_cast<DiaryListWindow *>(app.frame->window(window));
            QVERIFY(list);
            QCOMPARE(list->File1->count(), 1);
            app.frame->closeWindow(window);
        }
        CurrReading *browser = app.openDiary(kAnn);
        QVERIFY(browser);
        QCOMPARE(browser->shownKey(), QStringLiteral("2013-01-04"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
        struct stat st {};
        QCOMPARE(::stat(raw.constData(), &st), 0);
        QCOMPARE(st.st_size, off_t(1));
    }

    // ------------------------------------------------------------ a change cut short

    void aChangeCutShortIsUndoneByEveryPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("opened in the browser") << "open";
        QTest::newRow("compacted") << "compact";
        QTest::newRow("repaired") << "repair";
        QTest::newRow("restored over") << "restore";
    }
    void aChangeCutShortIsUndoneByEveryPath()
    {
        QFETCH(QString, path);
        QTemporaryDir backups;
        App app;
        const QString diary = app.pathOf(kAnn);
        const QList<ReadingDay> days = consecutiveDays(3000);
        writeDiary(diary, days);
        const QList<ReadingDay> backedUp = consecutiveDays(40, QDate(2016, 1, 1));
        writeDiary(backups.filePath(kAnn), backedUp);
        saveBackupLocation(app, backups.path());
        {
            ForeignChange other(diary);
            QVERIFY(other.holding());
        }
        QVERIFY(QFile::exists(diary + QStringLiteral("-journal")));
        app.fakes.messages.reset();

        QList<ReadingDay> expected = days;
        if (path == QLatin1String("open")) {
            CurrReading *browser = app.openDiary(kAnn);
            QVERIFY2(browser, qPrintable(app.fakes.messages.lastText()));
            QCOMPARE(browser->shownKey(), days.last().key);
            app.click("CurrReading", "CloseDbase");
        } else if (path == QLatin1String("compact")) {
            runOnFile(app, "mnuUtilitiesCompact", "CompactDbase", kAnn);
        } else if (path == QLatin1String("repair")) {
            runOnFile(app, "mnuUtilitiesRepair", "RepairDbase", kAnn);
            QCOMPARE(app.fakes.messages.shown.size(), 1); // the warning alone: nothing to repair
        } else {
            runOnFile(app, "mnuUtilitiesRestore", "RestBackup", kAnn);
            QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Restore Process Successful ****"));
            expected = backedUp;
        }
        if (path != QLatin1String("repair") && path != QLatin1String("restore"))
            QVERIFY2(app.fakes.messages.shown.isEmpty(), qPrintable(app.fakes.messages.lastText()));
        // Read it twice: no journal left behind may change it later.
        QCOMPARE(readDiary(diary), expected);
        QCOMPARE(integrity(diary), QStringLiteral("ok"));
        QCOMPARE(readDiary(diary), expected);
        QVERIFY(!QFile::exists(diary + QStringLiteral("-journal")));
    }

    // ------------------------------------------------------------ full disk

    void aFullDiskChangesNothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("limit");
        for (const char *action : {"create", "delete", "configure", "backup", "restore", "compact", "repair"})
            for (int limit : {0, 512, 4096, 20000, 60000})
                QTest::addRow("%s, files up to %d bytes", action, limit) << QString::fromLatin1(action) << limit;
    }
    void aFullDiskChangesNothing()
    {
        QFETCH(QString, action);
        QFETCH(int, limit);
        QTemporaryDir backups;
        App app;
        const QString diary = app.pathOf(kAnn);
        const QList<ReadingDay> days = consecutiveDays(1200);
        writeDiary(diary, days);
        const QList<ReadingDay> backedUp = consecutiveDays(900, QDate(2016, 1, 1));
        writeDiary(backups.filePath(kAnn), backedUp);
        saveBackupLocation(app, backups.path());
        if (action == QLatin1String("repair")) {
            sqlite3 *db = nullptr;
            sqlite3_open(QFile::encodeName(diary).constData(), &db);
            sqlite3_exec(db, "DROP INDEX Readings", nullptr, nullptr, nullptr);
            sqlite3_close(db);
        }
        if (action == QLatin1String("delete") || action == QLatin1String("backup"))
            QVERIFY(app.openDiary(kAnn));
        app.fakes.messages.reset();
        const auto dataBefore = snapshot(app.folder());
        const auto backupsBefore = snapshot(backups.path());

        {
            FileSizeLimit full{rlim_t(limit)};
            if (action == QLatin1String("create"))
                createDiary(app, QStringLiteral("Bob"), QStringLiteral("Jones"));
            else if (action == QLatin1String("delete"))
                app.click("CurrReading", "DeleteReading");
            else if (action == QLatin1String("configure"))
                saveBackupLocation(app, QStringLiteral("/media/another/stick"));
            else if (action == QLatin1String("backup"))
                trigger(app, "mnuUtilitiesBackup");
            else if (action == QLatin1String("restore"))
                runOnFile(app, "mnuUtilitiesRestore", "RestBackup", kAnn);
            else if (action == QLatin1String("compact"))
                runOnFile(app, "mnuUtilitiesCompact", "CompactDbase", kAnn);
            else
                runOnFile(app, "mnuUtilitiesRepair", "RepairDbase", kAnn);
        }
        const QStringList shown = texts(app.fakes.messages);
        const QString last = shown.value(shown.size() - 1);
        const bool failed = last.contains(QStringLiteral("Failed")) || last.contains(QStringLiteral("could not")) ||
            app.fakes.messages.shown.value(shown.size() - 1).icon == MsgIcon::Critical;
        if (failed) {
            // Told, and every file is as it was once the next action has
            // opened the diary (a write the disk refused half-way is undone
            // then, from the engine's journal); a repair may have kept its
            // copy of the damaged file.
            if (action != QLatin1String("repair"))
                QCOMPARE(readDiary(diary), days);
            auto after = snapshot(app.folder());
            after.remove(kAnn + QStringLiteral(".damaged"));
            QCOMPARE(after, dataBefore);
            QCOMPARE(snapshot(backups.path()), backupsBefore);
        } else {
            // The disk had room enough: the whole action was done.
            if (action == QLatin1String("delete"))
                QCOMPARE(readDiary(diary).size(), days.size() - 1);
            else if (action == QLatin1String("restore"))
                QCOMPARE(readDiary(diary), backedUp);
            else if (action == QLatin1String("backup"))
                QCOMPARE(readDiary(backups.filePath(kAnn)), days);
            else if (action == QLatin1String("create"))
                QVERIFY(readDiary(app.pathOf(QStringLiteral("Bob Jones.bcl"))).isEmpty());
            else if (action == QLatin1String("configure"))
                QCOMPARE(ReadBackupLocation(app.folder()).path, QStringLiteral("/media/another/stick"));
            else
                QCOMPARE(readDiary(diary), days);
        }
        if (QFile::exists(diary))
            QVERIFY(integrity(diary) == QStringLiteral("ok") || action == QLatin1String("repair"));
        // The program goes on: the window of the action is still there for
        // another try, or the start-up choice or the browser is.
        bool someWindow = false;
        for (const char *w : {"BloodMenu", "CurrReading", "MakeDatabase", "Cback", "CompactDbase", "RepairDbase"})
            someWindow = someWindow || app.shown(w);
        QVERIFY(someWindow);
    }

    void storeChangesOnAFullDiskAreAllOrNothing_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("limit");
        for (const char *change : {"add", "edit", "delete", "bulk delete"})
            for (int limit : {0, 4096, 30000, 70000, 1 << 20})
                QTest::addRow("%s, files up to %d bytes", change, limit) << QString::fromLatin1(change) << limit;
    }
    void storeChangesOnAFullDiskAreAllOrNothing()
    {
        // The changes the add, edit, browser and bulk-delete windows make,
        // through the operations they call.
        QFETCH(QString, change);
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString diary = dir.filePath(kAnn);
        const QList<ReadingDay> days = consecutiveDays(1500);
        writeDiary(diary, days);
        QList<ReadingDay> expected = days;
        bool failed = false;
        {
            FileSizeLimit full{rlim_t(limit)};
            try {
                Database db = Database::open(diary);
                Cursor c(db);
                if (change == QLatin1String("add")) {
                    const ReadingDay day = makeDay(QStringLiteral("2020-02-29"), {QStringLiteral("99")});
                    expected << day;
                    QVERIFY(!DiaryChanges::addDay(c, day));
                } else if (change == QLatin1String("edit")) {
                    const ReadingDay day = makeDay(QStringLiteral("2019-01-01"), {QStringLiteral("5.5")});
                    expected.removeAt(700);
                    expected << day;
                    QVERIFY(DiaryChanges::replaceDay(c, days[700].key, day));
                } else if (change == QLatin1String("delete")) {
                    expected.removeAt(700);
                    QVERIFY(DiaryChanges::deleteDay(c, days[700].key).next == days[701]);
                } else {
                    expected = days.mid(1000);
                    QVERIFY(DiaryChanges::deleteDaysBefore(c, days[1000].key).last == days.last());
                }
            } catch (const StoreError &) {
                failed = true;
            }
        }
        QCOMPARE(readDiary(diary), failed ? days : expected);
        QCOMPARE(integrity(diary), QStringLiteral("ok"));
        QVERIFY(!QFile::exists(diary + QStringLiteral("-journal")));
        if (limit == 0)
            QVERIFY(failed);
        if (limit == 1 << 20)
            QVERIFY(!failed);
    }

    // ------------------------------------------------------------ the windows on a harmed diary

    void windowsOnAHarmedDiaryTellAndChangeNothing_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("harm");
        for (const DiaryWindow &w : kDiaryWindows)
            for (const char *harm : {"full disk", "nearly full disk", "locked", "deleted", "garbage"})
                QTest::addRow("%s, %s", w.name, harm) << QString::fromLatin1(w.name) << QString::fromLatin1(harm);
    }
    void windowsOnAHarmedDiaryTellAndChangeNothing()
    {
        QFETCH(QString, window);
        QFETCH(QString, harm);
        const DiaryWindow &w = diaryWindow(window);
        QTemporaryDir out;
        const QString pdf = out.filePath(QStringLiteral("report.pdf"));
        QtReportPrinter printer;
        FakePrinterDialog dialog;
        App app;
        app.frame->services().printer = &printer;
        app.frame->services().printerDialog = &dialog;
        const QString diary = app.pathOf(kAnn);
        const QList<ReadingDay> &days = twoHundredDays();
        writeDiary(diary, days);
        CurrReading *browser = app.openDiary(kAnn);
        QVERIFY(browser);
        app.click("CurrReading", "MoveFirst");
        openAndFillIn(app, w, dialog, pdf);
        QVERIFY(app.shown(w.name));
        const QByteArray whole = bytesOf(diary);
        app.fakes.messages.reset();

        const bool fullDisk = harm.endsWith(QLatin1String("full disk"));
        std::optional<ForeignChange> other;
        std::optional<FileSizeLimit> full;
        if (harm == QLatin1String("locked")) {
            other.emplace(diary);
            QVERIFY(other->holding());
        } else if (harm != QLatin1String("full disk") && harm != QLatin1String("nearly full disk")) {
            QVERIFY(QFile::remove(diary));
            if (harm == QLatin1String("garbage"))
                writeBytes(diary, QByteArray("\x01\x02 not a diary ").repeated(500));
        }
        const auto harmed = snapshot(app.folder());
        // Full: not a byte more. Nearly full: nothing may grow past what the
        // diary is now, a new file (the engine's journal) as little.
        if (fullDisk)
            full.emplace(rlim_t(harm == QLatin1String("full disk") ? 0 : whole.size()));
        act(app, w);
        full.reset();
        const QList<FakeMessages::Shown> shown = app.fakes.messages.shown;
        // The report writes its file whatever the diary holds.
        const bool printsToDisk = QLatin1String(w.name) == QLatin1String("StdRptByDate") && fullDisk;
        if (shown.isEmpty()) {
            // Only a full disk may leave an action through that writes
            // nothing, or that found room enough.
            QVERIFY(fullDisk);
            QVERIFY((!w.changes && !printsToDisk) || harm == QLatin1String("nearly full disk"));
            checkDone(app, w, pdf);
            return;
        }
        if (!fullDisk)
            QCOMPARE(snapshot(app.folder()), harmed); // nothing written, nothing made

        // Told once for every step that failed, in the window's own words.
        QCOMPARE(shown.size(), w.secondButton ? 2 : 1);
        for (const FakeMessages::Shown &m : shown) {
            if (printsToDisk)
                QCOMPARE(m.text, printerFailedText());
            else
                QVERIFY2(m.text.startsWith(w.changes ? changeFailedText() : readFailedText()), qPrintable(m.text));
        }
        QVERIFY(!QFile::exists(pdf));
        // The window stays for another try (the report request closes, as
        // after every print), enabled; the browser keeps its day.
        QCOMPARE(browser->shownKey(), days.first().key);
        if (QLatin1String(w.name) != QLatin1String("StdRptByDate")) {
            QVERIFY(app.shown(w.name));
            QVERIFY(app.frame->window(window)->parentWidget()->isEnabled());
        }
        // A window that reads in its loading step does not open on a harmed
        // diary: one message, and the browser stays enabled.
        if (w.readsOnOpen) {
            app.frame->closeWindow(window);
            app.fakes.messages.reset();
            openAndFillIn(app, w, dialog, pdf);
            QVERIFY(!app.frame->window(window));
            QCOMPARE(app.fakes.messages.shown.size(), 1);
        }
        QCOMPARE(browser->parentWidget()->isEnabled(), !app.frame->window(window));

        // The harm goes (the other program's change undone from its
        // journal); the diary is as it was.
        other.reset();
        if (harm == QLatin1String("deleted") || harm == QLatin1String("garbage"))
            writeBytes(diary, whole);
        QCOMPARE(readDiary(diary), days);
        QCOMPARE(integrity(diary), QStringLiteral("ok"));

        // With the harm gone the same window does it.
        app.fakes.messages.reset();
        if (!app.frame->window(window))
            openAndFillIn(app, w, dialog, pdf);
        QVERIFY(app.shown(w.name));
        act(app, w);
        QVERIFY2(app.fakes.messages.shown.isEmpty(), qPrintable(app.fakes.messages.lastText()));
        checkDone(app, w, pdf);
        QVERIFY(browser->parentWidget()->isEnabled());
    }

    // ------------------------------------------------------------ many failures

    void failedOpensLeaveNoHandleBehind()
    {
        App app;
        const QString diary = app.pathOf(kAnn);
        writeDiary(diary, consecutiveDays(600));
        // Spoil the table's first page: the diary opens, its table does not read.
        {
            QFile f(diary);
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.seek(4096));
            f.write(QByteArray(4096, char(0xA5)));
        }
        const int before = openHandles();
        for (int i = 0; i < 50; ++i) {
            QVERIFY(!app.openDiary(kAnn));
            QCOMPARE(app.fakes.messages.lastText(), corruptedFileMessage());
        }
        QCOMPARE(openHandles(), before);
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
