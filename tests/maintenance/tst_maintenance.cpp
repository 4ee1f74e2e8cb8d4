// The backup location, backup and restore, compaction and repair: what the
// user sees, and that no failure on the way costs a diary or a backup.

#include "core/BackupFiles.h"
#include "core/Database.h"
#include "core/DiaryMaintenance.h"
#include "core/DiarySession.h"
#include "core/Drives.h"
#include "core/FaultPoints.h"
#include "core/Salvage.h"
#include "maintenance/Brow.h"
#include "maintenance/Cback.h"
#include "maintenance/DiaryListWindows.h"
#include "maintenance/FolderList.h"
#include "readings/CurrReading.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sqlite3.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString kAnn = QStringLiteral("Ann Smith.bcl");

// What the user is told when the backup folder is the data folder.
const QString kDataFolderRefused =
    QStringLiteral("This is the folder Levelbook keeps your databases in. A backup there would be the database "
                   "itself, not a second copy. Choose another folder, best one on another disk or a USB stick.");
const QString kBackupIntoDataFolder = QStringLiteral(
    "The backup folder kept in BACKUP.CFG is the folder Levelbook keeps your databases in, so a backup there would "
    "be the database itself, not a second copy. Nothing was copied. Close the database and choose another backup "
    "folder with Configure Backup/Restore in the File menu.");
const QString kRestoreFromDataFolder = QStringLiteral(
    "The backup folder kept in BACKUP.CFG is the folder Levelbook keeps your databases in, so it holds no backup "
    "copy to restore. Nothing was changed. Choose the folder that holds your backups with Configure Backup/Restore "
    "in the File menu.");

// Rows of a query on a file, each row's columns joined by "|".
QStringList query(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    QStringList rows;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK)
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList cols;
            for (int i = 0; i < sqlite3_column_count(st); ++i)
                cols << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
            rows << cols.join(QLatin1Char('|'));
        }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Overwrites one page of a database file with bytes no page can start with.
void spoilPage(const QString &path, int page, int pageSize = 4096)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(qint64(page - 1) * pageSize));
    f.write(QByteArray(pageSize, char(0xA5)));
}

bool sameDays(const QList<ReadingDay> &a, const QList<ReadingDay> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].key != b[i].key || a[i].readings != b[i].readings)
            return false;
    return true;
}

// Runs `action` in a child process that may write files of at most `limit`
// bytes, as a full disk would stop a copy part way. Returns the texts of the
// messages the child showed.
QStringList withFileSizeLimit(qint64 limit, const std::function<QStringList()> &action)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return {QStringLiteral("<no pipe>")};
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{rlim_t(limit), rlim_t(limit)};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        const QByteArray out = action().join(QChar(0x1e)).toUtf8();
        [[maybe_unused]] const auto written = ::write(fds[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray in;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        in.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        return {QStringLiteral("<child died>")};
    return QString::fromUtf8(in).split(QChar(0x1e), Qt::SkipEmptyParts);
}

QStringList texts(const FakeMessages &m)
{
    QStringList out;
    for (const auto &s : m.shown)
        out << s.text;
    return out;
}

// A small file system mounted on a folder for as long as it lives.
class SmallFileSystem {
public:
    SmallFileSystem(const QString &folder, const char *size) : folder_(folder)
    {
        const QByteArray options = QByteArray("size=") + size;
        mounted_ = ::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~SmallFileSystem()
    {
        if (mounted_)
            ::umount2(QFile::encodeName(folder_).constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    QString folder_;
    bool mounted_ = false;
};

// Makes the named step fail for as long as it lives.
class FailingStep {
public:
    explicit FailingStep(const char *step)
    {
        const std::string name = step;
        faultpoints::failStep = [name](const char *s) { return name == s; };
    }
    ~FailingStep() { faultpoints::failStep = nullptr; }
};

void doubleClick(QListWidget *list, const QString &text)
{
    const auto items = list->findItems(text, Qt::MatchExactly);
    QVERIFY2(!items.isEmpty(), qPrintable(text));
    list->setCurrentItem(items.first());
    // As a mouse does it: the first click, then the second one that the
    // system turns into a double-click.
    const QPoint at = list->visualItemRect(items.first()).center();
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
}

// Opens a diary as the user does: "Open An Existing Database", then a
// double-click on the file.
CurrReading *openDiary(TestApp &app, const QString &file)
{
    app.click("BloodMenu", "Command2");
    auto *select = app.frame->window(QStringLiteral("SelectDbase"));
    if (!select)
        return nullptr;
    doubleClick(select->findChild<QListWidget *>(QStringLiteral("File1")), file);
    return app.window<CurrReading>("CurrReading");
}

// The main frame, with the windows closed during a test deleted before it: a
// closed window is deleted later, and the frame must not outlive that.
struct App : TestApp {
    ~App() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

void trigger(TestApp &app, const char *item) { app.frame->action(QLatin1String(item))->trigger(); }

} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT

    QTemporaryDir backups_;
    QString backupFolder() const { return backups_.path(); }
    QString inBackups(const QString &name) const { return backups_.path() + QLatin1Char('/') + name; }

    void configure(TestApp &app, const QString &folder)
    {
        QString error;
        QVERIFY2(writeBackupLocation(app.folder(), folder, &error), qPrintable(error));
    }

    void clearBackups()
    {
        QDir dir(backupFolder());
        for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot))
            QFileInfo(dir.filePath(name)).isDir() ? QDir(dir.filePath(name)).removeRecursively()
                                                  : QFile::remove(dir.filePath(name));
    }

private slots:
    void init() { clearBackups(); }
    void cleanup() { faultpoints::failStep = nullptr; }

    // ------------------------------------------------------------ BACKUP.CFG

    void recordIsSeventyFiveBlankPaddedBytes()
    {
        const QString thirty = QStringLiteral("/home/ann/diary-backups/folder");
        QCOMPARE(thirty.size(), 30);
        const QByteArray record = backupRecord(thirty);
        QCOMPARE(record.size(), 75);
        QCOMPARE(record, thirty.toLatin1() + QByteArray(45, ' '));
        QCOMPARE(decodeBackupRecord(record), thirty);

        // A path ending in blanks, as another program may have written it.
        QCOMPARE(decodeBackupRecord(QByteArray("/backups   ") + QByteArray(64, ' ')), QStringLiteral("/backups"));
        // A record written in a single-byte code page still reads.
        QCOMPARE(decodeBackupRecord(QByteArray("/sauvegard\xe9") + QByteArray(64, ' ')),
                 QStringLiteral("/sauvegard\u00e9"));
        // The format cuts a longer text, never through a character.
        const QString tooLong = QString(74, QLatin1Char('a')) + QStringLiteral("\u00e9");
        QCOMPARE(backupRecord(tooLong), QByteArray(74, 'a') + ' ');
    }

    void savedLocationReadsBack()
    {
        QTemporaryDir dir;
        QCOMPARE(ReadBackupLocation(dir.path()).status, BackupLocation::Status::NotConfigured);

        const QString path = QStringLiteral("/media/stick/R\u00e9serve");
        QString error;
        QVERIFY(writeBackupLocation(dir.path(), path, &error));
        const QByteArray onDisk = bytesOf(backupConfigPath(dir.path()));
        QCOMPARE(onDisk.size(), 75);
        QVERIFY(!onDisk.contains('\n') && !onDisk.contains('\r'));
        QCOMPARE(onDisk.left(path.toUtf8().size()), path.toUtf8());
        const BackupLocation read = ReadBackupLocation(dir.path());
        QCOMPARE(read.status, BackupLocation::Status::Found);
        QCOMPARE(read.path, path);

        // A second save overwrites the one record; nothing else is left.
        QVERIFY(writeBackupLocation(dir.path(), QStringLiteral("/b"), &error));
        QCOMPARE(bytesOf(backupConfigPath(dir.path())), QByteArray("/b") + QByteArray(73, ' '));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("BACKUP.CFG")});
    }

    void unreadableLocationIsToldApart()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("BACKUP.CFG")));
        const BackupLocation read = ReadBackupLocation(dir.path());
        QCOMPARE(read.status, BackupLocation::Status::Unreadable);
        QVERIFY(!read.error.isEmpty());
    }

    void pathsAreMeasuredInBytes()
    {
        QVERIFY(backupPathProblem(QString(75, QLatin1Char('a'))).isEmpty());
        QVERIFY(!backupPathProblem(QString(76, QLatin1Char('a'))).isEmpty());
        // 38 two-byte letters are 76 bytes although only 38 characters.
        const QString wide = QLatin1Char('/') + QString(37, QChar(0x00e9));
        QCOMPARE(wide.toUtf8().size(), 75);
        QVERIFY(backupPathProblem(wide).isEmpty());
        QVERIFY(!backupPathProblem(wide + QChar(0x00e9)).isEmpty());
        // A trailing blank would be read back as another folder's name.
        QVERIFY(!backupPathProblem(QStringLiteral("/backups ")).isEmpty());
    }

    void backupPathsJoinAsStored()
    {
        QCOMPARE(backupCopyPath(QStringLiteral("/data"), QStringLiteral("/"), kAnn), QStringLiteral("//Ann Smith.bcl"));
        QCOMPARE(backupCopyPath(QStringLiteral("/data"), QStringLiteral("/media/usb"), kAnn),
                 QStringLiteral("/media/usb/Ann Smith.bcl"));
        // A relative folder lies in the data folder, the old working directory.
        QCOMPARE(backupCopyPath(QStringLiteral("/data"), QStringLiteral("copies"), kAnn),
                 QStringLiteral("/data/copies/Ann Smith.bcl"));
    }

    // A backup kept in the data folder would be the diary itself. The data
    // folder is known under every name it can be given, and the copy steps
    // themselves refuse it before they touch a file.
    void dataFolderIsKnownUnderEveryName()
    {
        QTemporaryDir dir;
        const QString top = dir.path();
        const QString data = top + QStringLiteral("/data");
        QVERIFY(QDir().mkpath(data + QStringLiteral("/copies")));
        QVERIFY(QDir().mkpath(top + QStringLiteral("/data-copies")));
        QVERIFY(QFile::link(data, top + QStringLiteral("/link")));
        for (const QString &same :
             {data, data + QStringLiteral("/"), data + QStringLiteral("/./"), data + QStringLiteral("/copies/.."),
              top + QStringLiteral("//data"), top + QStringLiteral("/link"), top + QStringLiteral("/link/"),
              QStringLiteral("."), QStringLiteral("copies/..")})
            QVERIFY2(isDataFolder(data, same), qPrintable(same));
        for (const QString &other :
             {data + QStringLiteral("/copies"), top + QStringLiteral("/data-copies"), top,
              data + QStringLiteral("/missing"), QStringLiteral("copies"), QStringLiteral("/"), QString()})
            QVERIFY2(!isDataFolder(data, other), qPrintable(other));
        // The data folder itself may be named through the link.
        QVERIFY(isDataFolder(top + QStringLiteral("/link"), data));

        writeDiary(data + QLatin1Char('/') + kAnn, consecutiveDays(10));
        const auto before = snapshot(data);
        QString error;
        QVERIFY(!backupDiary(data, kAnn, data + QStringLiteral("/./"), &error));
        QVERIFY(!error.isEmpty());
        error.clear();
        QVERIFY(!restoreDiary(data, kAnn, top + QStringLiteral("/link"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(snapshot(data), before);
    }

    // ------------------------------------------------------------ Cback

    void configureWindowShowsAndSavesTheLocation()
    {
        App app;
        trigger(app, "mnuFileBackupRestore");
        auto *cback = app.window<Cback>("Cback");
        QVERIFY(cback);
        QCOMPARE(cback->windowTitle(), QStringLiteral("Configure Backup"));
        QCOMPARE(cback->Label1->text(), QStringLiteral("Browse for the path to your backup location below."));
        QCOMPARE(cback->Browse->text(), QStringLiteral("Browse"));
        QCOMPARE(cback->Browse->toolTip(), QStringLiteral("Browse for a location."));
        QCOMPARE(cback->SaveCon->text(), QStringLiteral("Save"));
        QCOMPARE(cback->SaveCon->toolTip(), QStringLiteral("Save location path."));
        QCOMPARE(cback->CancelCon->toolTip(), QStringLiteral("Cancel operation and close window."));
        QVERIFY(cback->Bpath->isReadOnly());
        QCOMPARE(cback->helpContext(), 40);
        QVERIFY(!app.shown("BloodMenu"));
        // No BACKUP.CFG: an empty path, and "Save" does nothing at all.
        QCOMPARE(cback->Bpath->text(), QString());
        app.click("Cback", "SaveCon");
        QVERIFY(app.shown("Cback"));
        QVERIFY(!QFileInfo::exists(app.pathOf(QStringLiteral("BACKUP.CFG"))));
        QVERIFY(app.fakes.messages.shown.isEmpty());

        cback->Bpath->setText(backupFolder());
        app.click("Cback", "SaveCon");
        QVERIFY(!app.frame->window(QStringLiteral("Cback")));
        QVERIFY(app.shown("BloodMenu"));
        QCOMPARE(ReadBackupLocation(app.folder()).path, backupFolder());

        // Opened again it shows the stored path; Cancel writes nothing.
        trigger(app, "mnuFileBackupRestore");
        cback = app.window<Cback>("Cback");
        QCOMPARE(cback->Bpath->text(), backupFolder());
        const QByteArray stored = bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG")));
        cback->Bpath->setText(QStringLiteral("/elsewhere"));
        QTest::keyClick(cback, Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("Cback")));
        QVERIFY(app.shown("BloodMenu"));
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG"))), stored);
    }

    void configureWindowRefusesPathsThatDoNotFit()
    {
        App app;
        configure(app, QStringLiteral("/old/backups"));
        const QByteArray before = bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG")));
        trigger(app, "mnuFileBackupRestore");
        auto *cback = app.window<Cback>("Cback");

        // 40 letters of two bytes each: 41 characters, 81 bytes.
        const QString wide = QLatin1Char('/') + QString(40, QChar(0x00e9));
        cback->Bpath->setText(wide);
        QCOMPARE(cback->Bpath->text(), wide); // the box does not cut it
        app.click("Cback", "SaveCon");
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QVERIFY(app.fakes.messages.lastText().contains(QStringLiteral("81 bytes")));
        QVERIFY(app.shown("Cback"));
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG"))), before);

        cback->Bpath->setText(QStringLiteral("/backups "));
        app.click("Cback", "SaveCon");
        QCOMPARE(app.fakes.messages.shown.size(), 2);
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG"))), before);
    }

    void configureWindowReportsAnUnreadableFile()
    {
        App app;
        QVERIFY(QDir(app.folder()).mkdir(QStringLiteral("BACKUP.CFG")));
        trigger(app, "mnuFileBackupRestore");
        auto *cback = app.window<Cback>("Cback");
        QVERIFY(cback);
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QVERIFY(app.fakes.messages.lastText().contains(QStringLiteral("BACKUP.CFG")));
        QCOMPARE(cback->Bpath->text(), QString());
        // Saving over a folder fails with a message, and the program goes on.
        cback->Bpath->setText(backupFolder());
        app.click("Cback", "SaveCon");
        QCOMPARE(app.fakes.messages.shown.size(), 2);
        QVERIFY(app.shown("Cback"));
        QVERIFY(QFileInfo(app.pathOf(QStringLiteral("BACKUP.CFG"))).isDir());
    }

    void configureWindowsRefuseTheDataFolder()
    {
        App app;
        QTemporaryDir links; // not the backup folder: init() would follow a link out of it
        const QString link = links.path() + QStringLiteral("/to-data");
        QVERIFY(QFile::link(app.folder(), link));
        QVERIFY(QDir(app.folder()).mkdir(QStringLiteral("Backups")));
        // As an older version may have stored it.
        configure(app, app.folder() + QStringLiteral("/./"));
        const QByteArray before = bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG")));
        trigger(app, "mnuFileBackupRestore");
        auto *cback = app.window<Cback>("Cback");
        QCOMPARE(cback->Bpath->text(), app.folder() + QStringLiteral("/./"));

        // Chosen in the browser, into a folder and back up again: refused on
        // "OK", and another folder can be chosen at once.
        app.click("Cback", "Browse");
        auto *brow = app.window<Brow>("Brow");
        doubleClick(brow->Dir1, QStringLiteral("Backups"));
        doubleClick(brow->Dir1, QFileInfo(app.folder()).fileName());
        QCOMPARE(brow->Text1->text(), app.folder());
        app.click("Brow", "Save");
        QCOMPARE(texts(app.fakes.messages), QStringList{kDataFolderRefused});
        QCOMPARE(app.fakes.messages.shown.first().icon, MsgIcon::Warning);
        QCOMPARE(app.fakes.messages.beeps, 1);
        QVERIFY(app.shown("Brow"));
        QCOMPARE(cback->Bpath->text(), app.folder() + QStringLiteral("/./"));
        app.click("Brow", "CancelBrowse");

        // "Save" does not store it again under any of its names.
        for (const QString &same : {app.folder() + QStringLiteral("/./"), app.folder() + QStringLiteral("/"), link}) {
            app.fakes.messages.reset();
            cback->Bpath->setText(same);
            app.click("Cback", "SaveCon");
            QCOMPARE(texts(app.fakes.messages), QStringList{kDataFolderRefused});
            QVERIFY(app.shown("Cback"));
            QCOMPARE(bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG"))), before);
        }
        // A folder inside it is another folder.
        cback->Bpath->setText(app.folder() + QStringLiteral("/Backups"));
        app.click("Cback", "SaveCon");
        QVERIFY(!app.frame->window(QStringLiteral("Cback")));
        QCOMPARE(ReadBackupLocation(app.folder()).path, app.folder() + QStringLiteral("/Backups"));
    }

    // ------------------------------------------------------------ Brow

    void drivesOfferRootAndHome()
    {
        const QList<Drive> drives = availableDrives();
        QVERIFY(!drives.isEmpty());
        QCOMPARE(drives.first().path, QStringLiteral("/"));
        if (QDir::homePath() != QLatin1String("/"))
            QCOMPARE(drives.at(driveHolding(drives, QDir::homePath() + QStringLiteral("/x"))).path,
                     QDir::cleanPath(QDir::homePath()));
        const QList<Drive> some = {{QStringLiteral("/"), {}}, {QStringLiteral("/media/usb"), {}}};
        QCOMPARE(driveHolding(some, QStringLiteral("/media/usb/backups")), 1);
        QCOMPARE(driveHolding(some, QStringLiteral("/media/usbother")), 0);
    }

    void folderBrowserPicksAFolder()
    {
        App app;
        QVERIFY(QDir(app.folder()).mkpath(QStringLiteral("Backups/Inner")));
        trigger(app, "mnuFileBackupRestore");
        app.click("Cback", "Browse");
        auto *brow = app.window<Brow>("Brow");
        QVERIFY(brow);
        QCOMPARE(brow->windowTitle(), QStringLiteral("Browse For Backup Folder"));
        QCOMPARE(brow->Save->text(), QStringLiteral("OK"));
        QCOMPARE(brow->CancelBrowse->text(), QStringLiteral("Cancel"));
        QCOMPARE(brow->helpContext(), 40);
        QVERIFY(brow->Text1->focusPolicy() == Qt::NoFocus);
        QVERIFY(!app.frame->window(QStringLiteral("Cback"))->parentWidget()->isEnabled());
        // Both lists start at the data folder, and nothing is chosen yet.
        QCOMPARE(brow->Dir1->path(), app.folder());
        QCOMPARE(brow->Drive1->currentData().toString(),
                 availableDrives().at(driveHolding(availableDrives(), app.folder())).path);
        QCOMPARE(brow->Text1->text(), QString());

        doubleClick(brow->Dir1, QStringLiteral("Backups"));
        QCOMPARE(brow->Dir1->path(), app.folder() + QStringLiteral("/Backups"));
        QCOMPARE(brow->Text1->text(), app.folder() + QStringLiteral("/Backups"));
        // Enter opens the selected folder as a double-click does.
        brow->Dir1->setCurrentItem(brow->Dir1->findItems(QStringLiteral("Inner"), Qt::MatchExactly).first());
        QTest::keyClick(brow->Dir1, Qt::Key_Return);
        QCOMPARE(brow->Text1->text(), app.folder() + QStringLiteral("/Backups/Inner"));
        // Its parent is on the list above it and opens again.
        doubleClick(brow->Dir1, QStringLiteral("Backups"));
        QCOMPARE(brow->Text1->text(), app.folder() + QStringLiteral("/Backups"));

        app.click("Brow", "Save");
        QVERIFY(!app.frame->window(QStringLiteral("Brow")));
        auto *cback = app.window<Cback>("Cback");
        QVERIFY(cback->parentWidget()->isEnabled());
        QCOMPARE(app.frame->area()->activeSubWindow(), cback->parentWidget());
        QCOMPARE(cback->Bpath->text(), app.folder() + QStringLiteral("/Backups"));
        QVERIFY(!QFileInfo::exists(app.pathOf(QStringLiteral("BACKUP.CFG")))); // only "Save" writes

        // Cancel leaves the path as it was.
        app.click("Cback", "Browse");
        doubleClick(app.window<Brow>("Brow")->Dir1, QStringLiteral("Backups"));
        doubleClick(app.window<Brow>("Brow")->Dir1, QStringLiteral("Inner"));
        QVERIFY(app.window<Brow>("Brow")->Text1->text().endsWith(QStringLiteral("/Inner")));
        app.click("Brow", "CancelBrowse");
        QCOMPARE(cback->Bpath->text(), app.folder() + QStringLiteral("/Backups"));
    }

    void okBeforeChoosingGivesAnEmptyPath()
    {
        App app;
        configure(app, QStringLiteral("/old/backups"));
        const QByteArray before = bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG")));
        trigger(app, "mnuFileBackupRestore");
        app.click("Cback", "Browse");
        app.click("Brow", "Save");
        auto *cback = app.window<Cback>("Cback");
        QCOMPARE(cback->Bpath->text(), QString());
        app.click("Cback", "SaveCon");
        QVERIFY(app.shown("Cback"));
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG"))), before);
    }

    void rootDriveIsChosenAsSlash()
    {
        App app;
        trigger(app, "mnuFileBackupRestore");
        app.click("Cback", "Browse");
        auto *brow = app.window<Brow>("Brow");
        const int root = brow->Drive1->findData(QStringLiteral("/"));
        QVERIFY(root >= 0);
        if (brow->Drive1->currentIndex() == root) // start elsewhere so that choosing root is a change
            brow->Drive1->addItem(QStringLiteral("here"), app.folder()),
                brow->Drive1->setCurrentIndex(brow->Drive1->count() - 1);
        brow->Drive1->setCurrentIndex(root);
        QCOMPARE(brow->Text1->text(), QStringLiteral("/"));
        app.click("Brow", "Save");
        app.click("Cback", "SaveCon");
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("BACKUP.CFG"))), QByteArray("/") + QByteArray(74, ' '));
        QCOMPARE(backupCopyPath(app.folder(), ReadBackupLocation(app.folder()).path, kAnn),
                 QStringLiteral("//Ann Smith.bcl"));
    }

    void unreadableDriveRestartsTheBrowser()
    {
        App app;
        QVERIFY(QDir(app.folder()).mkdir(QStringLiteral("Backups")));
        trigger(app, "mnuFileBackupRestore");
        app.click("Cback", "Browse");
        QPointer<Brow> brow = app.window<Brow>("Brow");
        doubleClick(brow->Dir1, QStringLiteral("Backups"));
        QVERIFY(!brow->Text1->text().isEmpty());
        // A medium taken out after the list was made.
        brow->Drive1->addItem(QStringLiteral("/media/gone"),
                              QStringLiteral("/media/gone-") + QString::number(::getpid()));
        brow->Drive1->setCurrentIndex(brow->Drive1->count() - 1);

        QCOMPARE(texts(app.fakes.messages), QStringList{QStringLiteral("The drive you have selected is invalid.")});
        QCOMPARE(app.fakes.messages.shown.first().title, QString());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(brow.isNull());
        auto *fresh = app.window<Brow>("Brow");
        QVERIFY(fresh);
        QVERIFY(app.shown("Brow"));
        QCOMPARE(fresh->Text1->text(), QString());
        QCOMPARE(fresh->Dir1->path(), app.folder());
        QVERIFY(!app.frame->window(QStringLiteral("Cback"))->parentWidget()->isEnabled());
        app.click("Brow", "CancelBrowse");
        QVERIFY(app.frame->window(QStringLiteral("Cback"))->parentWidget()->isEnabled());
    }

    // ------------------------------------------------------------ backup

    void backupCopiesTheOpenDiary()
    {
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(40));
        QVERIFY(openDiary(app, kAnn));
        configure(app, backupFolder());
        int depthAtMessage = -1;
        app.fakes.messages.whileShown = [&](const FakeMessages::Shown &) { depthAtMessage = app.fakes.wait.depth; };

        trigger(app, "mnuUtilitiesBackup");
        QCOMPARE(texts(app.fakes.messages), QStringList{QStringLiteral("**** Backup Successful ****")});
        QCOMPARE(app.fakes.messages.shown.first().title, QString());
        QCOMPARE(app.fakes.wait.begun, 1);
        QCOMPARE(depthAtMessage, 0); // the default pointer is back before the message
        QVERIFY(sameDays(readDiary(inBackups(kAnn)), consecutiveDays(40)));

        // Backing up again replaces the copy: one copy per person, the newest.
        app.click("CurrReading", "CloseDbase");
        QFile::remove(app.pathOf(kAnn));
        writeDiary(app.pathOf(kAnn), consecutiveDays(90, QDate(2014, 2, 1)));
        QVERIFY(openDiary(app, kAnn));
        trigger(app, "mnuUtilitiesBackup");
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Backup Successful ****"));
        QVERIFY(sameDays(readDiary(inBackups(kAnn)), consecutiveDays(90, QDate(2014, 2, 1))));
        QCOMPARE(snapshot(backupFolder()).keys(), QStringList{kAnn});
    }

    void backupWithoutALocationAsksForIt()
    {
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(3));
        QVERIFY(openDiary(app, kAnn));
        trigger(app, "mnuUtilitiesBackup");
        QCOMPARE(texts(app.fakes.messages), QStringList{QStringLiteral("You must run the Configure routine first.")});
        QCOMPARE(app.fakes.wait.depth, 0);
        QVERIFY(snapshot(backupFolder()).isEmpty());
    }

    // The connection kept to the open diary between actions is the frame's:
    // it goes when the diary closes and before a whole-file step gets the
    // file, and the browser goes on working on the file as the step left it.
    void frameLetsGoOfTheKeptDiary_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("backup") << "backup";
        QTest::newRow("the diary closes") << "close";
        QTest::newRow("restore") << "restore";
        QTest::newRow("compaction") << "compact";
        QTest::newRow("repair") << "repair";
    }
    void frameLetsGoOfTheKeptDiary()
    {
        QFETCH(QString, step);
        App app;
        DiarySession &session = app.frame->diarySession();
        configure(app, backupFolder());
        writeDiary(app.pathOf(kAnn), consecutiveDays(40));
        writeDiary(inBackups(kAnn), consecutiveDays(50));
        CurrReading *browser = openDiary(app, kAnn);
        QVERIFY(browser);
        browser->Previous->click();
        QVERIFY(session.isKept());
        if (step == QLatin1String("backup")) {
            trigger(app, "mnuUtilitiesBackup");
            QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Backup Successful ****"));
            QVERIFY(!session.isKept());
            browser->Previous->click();
            QCOMPARE(browser->shownKey(), QStringLiteral("2013-02-07"));
            QVERIFY(session.isKept());
            return;
        }
        app.click("CurrReading", "CloseDbase");
        QVERIFY(!session.isKept());
        if (step == QLatin1String("close"))
            return;
        // A connection left in the session all the same is let go of before
        // the window hands the file over.
        session.lease(app.pathOf(kAnn)).keep();
        QVERIFY(session.isKept());
        if (step == QLatin1String("restore")) {
            trigger(app, "mnuUtilitiesRestore");
            doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
        } else if (step == QLatin1String("compact")) {
            trigger(app, "mnuUtilitiesCompact");
            doubleClick(app.window<CompactDbase>("CompactDbase")->File1, kAnn);
        } else {
            trigger(app, "mnuUtilitiesRepair");
            doubleClick(app.window<RepairDbase>("RepairDbase")->File1, kAnn);
        }
        QVERIFY(!session.isKept());
        browser = openDiary(app, kAnn);
        QVERIFY(browser);
        QCOMPARE(browser->shownKey(),
                 step == QLatin1String("restore") ? QStringLiteral("2013-02-19") : QStringLiteral("2013-02-09"));
    }

    void failedBackupKeepsDiaryAndOldCopy_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("folder missing") << "missing";
        QTest::newRow("file in place of the folder") << "file";
        QTest::newRow("copy cut short by a size limit") << "limit";
        QTest::newRow("rename into place fails") << "rename";
        QTest::newRow("small file system full") << "full";
    }
    void failedBackupKeepsDiaryAndOldCopy()
    {
        QFETCH(QString, fault);
        App app;
        QString target = backupFolder();
        std::unique_ptr<SmallFileSystem> small;
        if (fault == QLatin1String("missing"))
            target = backupFolder() + QStringLiteral("/gone");
        else if (fault == QLatin1String("file")) {
            target = backupFolder() + QStringLiteral("/plain");
            writeBytes(target, "not a folder");
        } else if (fault == QLatin1String("full")) {
            target = backupFolder() + QStringLiteral("/stick");
            QVERIFY(QDir(backupFolder()).mkdir(QStringLiteral("stick")));
            small = std::make_unique<SmallFileSystem>(target, "64k");
            if (!small->mounted())
                QSKIP("no small file system can be mounted here");
        }
        // The previous backup, of other days than the diary holds now.
        if (QFileInfo(target).isDir())
            writeDiary(target + QLatin1Char('/') + kAnn, consecutiveDays(5, QDate(2010, 1, 1)));
        writeDiary(app.pathOf(kAnn), consecutiveDays(fault == QLatin1String("full") ? 1500 : 400));
        QVERIFY(openDiary(app, kAnn));
        configure(app, target);
        const auto dataBefore = snapshot(app.folder());
        const auto backupBefore = snapshot(backupFolder());
        const auto targetBefore = snapshot(target);

        QStringList shown;
        if (fault == QLatin1String("limit")) {
            shown = withFileSizeLimit(16 * 1024, [&] {
                trigger(app, "mnuUtilitiesBackup");
                return texts(app.fakes.messages);
            });
        } else {
            std::unique_ptr<FailingStep> failing;
            if (fault == QLatin1String("rename"))
                failing = std::make_unique<FailingStep>("backup.replace");
            trigger(app, "mnuUtilitiesBackup");
            shown = texts(app.fakes.messages);
        }
        QCOMPARE(shown, QStringList{QStringLiteral("???? Backup Failed ????")});
        QCOMPARE(snapshot(app.folder()), dataBefore);
        QCOMPARE(snapshot(backupFolder()), backupBefore);
        QCOMPARE(snapshot(target), targetBefore);
        QVERIFY(app.window<CurrReading>("CurrReading")); // the program goes on
    }

    // ------------------------------------------------------------ restore

    void restoreWindowLooksAndLocksTheMenus()
    {
        App app;
        writeDiary(app.pathOf(kAnn), {});
        writeBytes(app.pathOf(QStringLiteral("notes.txt")), "x");
        writeBytes(app.pathOf(QStringLiteral("Ann Smith.rcl")), "x");
        trigger(app, "mnuUtilitiesRestore");
        auto *w = app.window<RestBackup>("RestBackup");
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Restore From Backup"));
        QCOMPARE(w->Label1->text(), QStringLiteral("Double click the database you want to restore."));
        QCOMPARE(w->Cancel->toolTip(), QStringLiteral("Cancel operation and close window."));
        QCOMPARE(w->helpContext(), 150);
        QCOMPARE(w->File1->count(), 1);
        QCOMPARE(w->File1->item(0)->text(), kAnn);
        QVERIFY(!app.frame->menu(QStringLiteral("mniFile"))->isEnabled());
        QVERIFY(!app.frame->menu(QStringLiteral("mnuUtilities"))->isEnabled());
        QVERIFY(!app.frame->menu(QStringLiteral("mnuUtilities"))->menuAction()->isEnabled());
        app.click("RestBackup", "Cancel");
        QVERIFY(!app.frame->window(QStringLiteral("RestBackup")));
        QVERIFY(app.frame->menu(QStringLiteral("mniFile"))->isEnabled());
        QVERIFY(app.frame->menu(QStringLiteral("mnuUtilities"))->isEnabled());
    }

    void restoreCopiesTheBackupAndItsCompanions()
    {
        App app;
        configure(app, backupFolder());
        writeDiary(app.pathOf(kAnn), consecutiveDays(2));
        writeDiary(inBackups(kAnn), consecutiveDays(50));
        writeBytes(inBackups(QStringLiteral("Ann Smith.rcl")), "readings companion");
        writeBytes(inBackups(QStringLiteral("Ann Smith.pcl")), "printing companion");
        int depthAtMessage = -1;
        app.fakes.messages.whileShown = [&](const FakeMessages::Shown &) { depthAtMessage = app.fakes.wait.depth; };

        trigger(app, "mnuUtilitiesRestore");
        doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
        QCOMPARE(texts(app.fakes.messages), QStringList{QStringLiteral("**** Restore Process Successful ****")});
        QCOMPARE(depthAtMessage, 0);
        QCOMPARE(app.fakes.wait.begun, 1);
        QVERIFY(!app.frame->window(QStringLiteral("RestBackup")));
        QVERIFY(app.frame->menu(QStringLiteral("mnuUtilities"))->isEnabled());
        QVERIFY(sameDays(readDiary(app.pathOf(kAnn)), readDiary(inBackups(kAnn))));
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("Ann Smith.rcl"))), QByteArray("readings companion"));
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("Ann Smith.pcl"))), QByteArray("printing companion"));
        QCOMPARE(readDiary(app.pathOf(kAnn)).size(), 50);
    }

    void restoreWithoutCompanionsCopiesTheDiaryOnly()
    {
        App app;
        configure(app, backupFolder());
        writeDiary(app.pathOf(kAnn), consecutiveDays(2));
        writeDiary(inBackups(kAnn), consecutiveDays(7));
        writeDiary(inBackups(QStringLiteral("Bob Jones.bcl")), consecutiveDays(9));
        trigger(app, "mnuUtilitiesRestore");
        doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
        QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Restore Process Successful ****"));
        QCOMPARE(snapshot(app.folder()).keys(),
                 (QStringList{kAnn, kAnn + QStringLiteral(".before-restore"), QStringLiteral("BACKUP.CFG")}));
        QVERIFY(sameDays(readDiary(app.pathOf(kAnn)), consecutiveDays(7)));
    }

    void restoreWithoutALocationAsksForIt()
    {
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(2));
        const auto before = snapshot(app.folder());
        trigger(app, "mnuUtilitiesRestore");
        doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
        QCOMPARE(texts(app.fakes.messages), QStringList{QStringLiteral("You must run the Configure routine first.")});
        QVERIFY(!app.frame->window(QStringLiteral("RestBackup")));
        QVERIFY(app.frame->menu(QStringLiteral("mniFile"))->isEnabled());
        QCOMPARE(snapshot(app.folder()), before);
    }

    void failedRestoreLeavesTheDiary_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("no copy in the backup folder") << "nocopy";
        QTest::newRow("backup folder missing") << "missing";
        QTest::newRow("copy cut short by a size limit") << "limit";
        QTest::newRow("a companion cannot be copied") << "companion";
        QTest::newRow("rename into place fails") << "rename";
        QTest::newRow("an empty file as the copy") << "empty";
        QTest::newRow("text as the copy") << "text";
        QTest::newRow("another program's database as the copy") << "foreign";
        QTest::newRow("a copy without index Readings") << "noindex";
        QTest::newRow("a damaged copy") << "damaged";
    }
    void failedRestoreLeavesTheDiary()
    {
        QFETCH(QString, fault);
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(30, QDate(2015, 1, 1)));
        writeBytes(app.pathOf(QStringLiteral("Ann Smith.rcl")), "old companion");
        configure(app, fault == QLatin1String("missing") ? backupFolder() + QStringLiteral("/gone") : backupFolder());
        if (fault == QLatin1String("empty"))
            writeBytes(inBackups(kAnn), QByteArray());
        else if (fault == QLatin1String("text"))
            writeBytes(inBackups(kAnn), QByteArray("Ann's readings\n").repeated(400));
        else if (fault == QLatin1String("foreign"))
            rawSql(inBackups(kAnn), "CREATE TABLE BLOOD (Bdate TEXT); INSERT INTO BLOOD VALUES ('2013-01-01')");
        else if (fault != QLatin1String("nocopy"))
            writeDiary(inBackups(kAnn), consecutiveDays(600));
        if (fault == QLatin1String("noindex"))
            rawSql(inBackups(kAnn), "DROP INDEX Readings");
        if (fault == QLatin1String("damaged"))
            spoilPage(inBackups(kAnn), 4);
        writeBytes(inBackups(QStringLiteral("Ann Smith.rcl")), "new companion");
        if (fault == QLatin1String("companion")) // there, but no file that can be copied
            QVERIFY(QDir(backupFolder()).mkdir(QStringLiteral("Ann Smith.pcl")));
        const auto dataBefore = snapshot(app.folder());
        const auto backupBefore = snapshot(backupFolder());

        trigger(app, "mnuUtilitiesRestore");
        auto *list = app.window<RestBackup>("RestBackup")->File1;
        QStringList shown;
        if (fault == QLatin1String("limit")) {
            shown = withFileSizeLimit(16 * 1024, [&] {
                doubleClick(list, kAnn);
                return texts(app.fakes.messages);
            });
            app.frame->closeWindow(QStringLiteral("RestBackup"));
        } else {
            std::unique_ptr<FailingStep> failing;
            if (fault == QLatin1String("rename"))
                failing = std::make_unique<FailingStep>("restore.replace");
            doubleClick(list, kAnn);
            shown = texts(app.fakes.messages);
            QVERIFY(!app.frame->window(QStringLiteral("RestBackup")));
        }
        QCOMPARE(shown, QStringList{QStringLiteral("???? Restore Process Failed ????")});
        QCOMPARE(snapshot(app.folder()), dataBefore);
        QCOMPARE(snapshot(backupFolder()), backupBefore);
        QVERIFY(app.frame->menu(QStringLiteral("mnuUtilities"))->isEnabled());
    }

    void restoreKeepsTheReplacedDiaryOnce()
    {
        App app;
        configure(app, backupFolder());
        const QString kept = app.pathOf(kAnn + QStringLiteral(".before-restore"));
        writeDiary(app.pathOf(kAnn), consecutiveDays(30));
        writeDiary(inBackups(kAnn), consecutiveDays(10));
        const auto restore = [&] {
            trigger(app, "mnuUtilitiesRestore");
            doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
            QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Restore Process Successful ****"));
        };
        restore();
        QVERIFY(sameDays(readDiary(app.pathOf(kAnn)), consecutiveDays(10)));
        QVERIFY(sameDays(readDiary(kept), consecutiveDays(30))); // the days added since the backup
        // The next restore keeps the diary it replaces in place of the older copy.
        rawSql(app.pathOf(kAnn), "DELETE FROM BLOOD WHERE Bdate > '2013-01-03'");
        restore();
        QVERIFY(sameDays(readDiary(kept), consecutiveDays(3)));
        QCOMPARE(snapshot(app.folder()).keys(),
                 (QStringList{kAnn, kAnn + QStringLiteral(".before-restore"), QStringLiteral("BACKUP.CFG")}));
    }

    // A BACKUP.CFG that names the data folder, written by hand or by an older
    // version: neither step copies, renames or leaves a file (no copy, no
    // kept "before-restore" diary, BACKUP.CFG as it was), and both say why.
    void backupAndRestoreRefuseTheDataFolder()
    {
        App app;
        QTemporaryDir links;
        const QString link = links.path() + QStringLiteral("/to-data");
        QVERIFY(QFile::link(app.folder(), link));
        writeDiary(app.pathOf(kAnn), consecutiveDays(30));
        for (const QString &same : {app.folder(), app.folder() + QStringLiteral("/./"), link}) {
            configure(app, same);
            const auto before = snapshot(app.folder());

            app.fakes.messages.reset();
            QVERIFY(openDiary(app, kAnn));
            trigger(app, "mnuUtilitiesBackup");
            QCOMPARE(texts(app.fakes.messages), QStringList{kBackupIntoDataFolder});
            QCOMPARE(app.fakes.messages.beeps, 1);
            QCOMPARE(app.fakes.wait.depth, 0);
            app.click("CurrReading", "CloseDbase");
            QCOMPARE(snapshot(app.folder()), before);

            app.fakes.messages.reset();
            trigger(app, "mnuUtilitiesRestore");
            doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
            QCOMPARE(texts(app.fakes.messages), QStringList{kRestoreFromDataFolder});
            QCOMPARE(app.fakes.messages.shown.first().icon, MsgIcon::Warning);
            QVERIFY(!app.frame->window(QStringLiteral("RestBackup")));
            QVERIFY(app.frame->menu(QStringLiteral("mnuUtilities"))->isEnabled());
            QVERIFY(!QFileInfo::exists(app.pathOf(kAnn + QStringLiteral(".before-restore"))));
            QCOMPARE(snapshot(app.folder()), before);
        }
        QVERIFY(sameDays(readDiary(app.pathOf(kAnn)), consecutiveDays(30)));
    }

    // A diary that another program switched to write-ahead-log mode, with
    // committed days still in its log when that program was killed: every
    // step that copies or replaces the whole file keeps those days, and
    // leaves no log of an old file beside a new one.
    void wholeFileStepsKeepTheDaysInTheLog_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("backup") << "backup";
        QTest::newRow("restore of a copy in log mode over a diary in log mode") << "restore";
        QTest::newRow("compaction") << "compact";
        QTest::newRow("repair") << "repair";
        QTest::newRow("a new diary where one with a log was removed") << "create";
    }
    void wholeFileStepsKeepTheDaysInTheLog()
    {
        QFETCH(QString, step);
        QTemporaryDir dir;
        const QString diary = dir.path() + QLatin1Char('/') + kAnn;
        const QList<ReadingDay> inFile = consecutiveDays(300);
        const QList<ReadingDay> inLog = consecutiveDays(200, QDate(2014, 1, 1));
        const QList<ReadingDay> all = inFile + inLog;
        const QString source = step == QLatin1String("restore") ? inBackups(kAnn) : diary;
        // Free pages in the file, so that a compacted copy lays its pages out
        // otherwise and a log of the old file does not fit it.
        writeDiary(source, consecutiveDays(900));
        rawSql(source, "PRAGMA secure_delete = OFF; DELETE FROM BLOOD WHERE Bdate > '2013-10-27'");
        QVERIFY(sameDays(readDiary(source), inFile));
        addDaysInLogAndDie(source, inLog);
        if (step == QLatin1String("restore")) {
            // The diary being replaced has days of its own in its log.
            writeDiary(diary, consecutiveDays(5, QDate(2010, 1, 1)));
            addDaysInLogAndDie(diary, consecutiveDays(400, QDate(2011, 1, 1)));
        }

        QString error;
        QString result = diary;
        QList<ReadingDay> expected = all;
        if (step == QLatin1String("backup")) {
            QVERIFY2(backupDiary(dir.path(), kAnn, backupFolder(), &error), qPrintable(error));
            result = inBackups(kAnn);
            QCOMPARE(snapshot(backupFolder()).keys(), QStringList{kAnn});
        } else if (step == QLatin1String("restore")) {
            QVERIFY2(restoreDiary(dir.path(), kAnn, backupFolder(), &error), qPrintable(error));
        } else if (step == QLatin1String("compact")) {
            MaintenanceFailure failure;
            QVERIFY2(compactDiary(dir.path(), kAnn, &failure), qPrintable(failure.what + failure.detail));
        } else if (step == QLatin1String("repair")) {
            const RepairResult r = repairDiary(dir.path(), kAnn);
            QVERIFY2(r.outcome == RepairResult::Outcome::Sound, qPrintable(r.failure.what + r.failure.detail));
            QCOMPARE(r.daysKept, all.size());
        } else {
            QVERIFY(QFile::remove(diary));
            Database::create(diary);
            expected.clear();
        }
        // Read as the program reads it, then the engine's own check.
        QVERIFY(sameDays(readDiary(result), expected));
        QCOMPARE(query(result, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
        QCOMPARE(query(result, "PRAGMA journal_mode"), QStringList{QStringLiteral("delete")});
        for (const char *suffix : {"-wal", "-shm", "-journal"})
            QVERIFY2(!QFileInfo::exists(result + QLatin1String(suffix)), suffix);
        if (step == QLatin1String("restore")) {
            // The diary replaced is kept, the days of its log with it.
            const QString kept = diary + QStringLiteral(".before-restore");
            QVERIFY(sameDays(readDiary(kept),
                             consecutiveDays(5, QDate(2010, 1, 1)) + consecutiveDays(400, QDate(2011, 1, 1))));
            QCOMPARE(query(kept, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
        }
    }

    // A program killed as a change ended can leave a journal that the engine
    // treats as finished (emptied, or its header zeroed); it is no change of
    // another program, and repair and compaction go on.
    void finishedJournalStopsNothing_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<QByteArray>("journal");
        QTest::newRow("repair, zeroed header") << "repair" << QByteArray(4096, '\0');
        QTest::newRow("repair, emptied journal") << "repair" << QByteArray();
        QTest::newRow("compaction, zeroed header") << "compact" << QByteArray(512, '\0') + QByteArray(3584, 'x');
    }
    void finishedJournalStopsNothing()
    {
        QFETCH(QString, step);
        QFETCH(QByteArray, journal);
        QTemporaryDir dir;
        const QString diary = dir.path() + QLatin1Char('/') + kAnn;
        writeDiary(diary, consecutiveDays(100));
        writeBytes(diary + QStringLiteral("-journal"), journal);
        QCOMPARE(readDiary(diary).size(), 100); // the engine ignores it
        if (step == QLatin1String("repair")) {
            const RepairResult r = repairDiary(dir.path(), kAnn);
            QVERIFY2(r.outcome == RepairResult::Outcome::Sound, qPrintable(r.failure.what));
            QCOMPARE(r.daysKept, 100);
        } else {
            MaintenanceFailure failure;
            QVERIFY2(compactDiary(dir.path(), kAnn, &failure), qPrintable(failure.what + failure.detail));
        }
        QVERIFY(sameDays(readDiary(diary), consecutiveDays(100)));
        QCOMPARE(snapshot(dir.path()).keys(), QStringList{kAnn});
    }

    // Copies that a killed backup or restore left, hidden beside their
    // targets, go at the next backup or restore; files that only look alike
    // stay.
    void leftoverCopiesGoAtTheNextCopy_data()
    {
        QTest::addColumn<QString>("step");
        QTest::newRow("backup") << "backup";
        QTest::newRow("restore") << "restore";
    }
    void leftoverCopiesGoAtTheNextCopy()
    {
        QFETCH(QString, step);
        App app;
        configure(app, backupFolder());
        writeDiary(app.pathOf(kAnn), consecutiveDays(20));
        writeDiary(inBackups(kAnn), consecutiveDays(10));
        const QString folder = step == QLatin1String("backup") ? backupFolder() : app.folder();
        const QByteArray big(256 * 1024, 'x');
        const QStringList leftovers{QStringLiteral(".Ann Smith.bcl.tmp-1a2b3c"),
                                    QStringLiteral(".Ann Smith.bcl.tmp-zz-journal")};
        const QStringList strangers{QStringLiteral(".Ann Smith.bcl.tmp-notes.txt"),
                                    QStringLiteral("Ann Smith.bcl.tmp-1a"), QStringLiteral(".Ann Smith.bcl.TMP-1a"),
                                    QStringLiteral(".Ann Smith.bcl.tmp-")};
        for (const QString &name : leftovers + strangers)
            writeBytes(folder + QLatin1Char('/') + name, big);
        if (step == QLatin1String("backup")) {
            QVERIFY(openDiary(app, kAnn));
            trigger(app, "mnuUtilitiesBackup");
            QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Backup Successful ****"));
        } else {
            trigger(app, "mnuUtilitiesRestore");
            doubleClick(app.window<RestBackup>("RestBackup")->File1, kAnn);
            QCOMPARE(app.fakes.messages.lastText(), QStringLiteral("**** Restore Process Successful ****"));
        }
        for (const QString &name : leftovers)
            QVERIFY2(!QFileInfo::exists(folder + QLatin1Char('/') + name), qPrintable(name));
        for (const QString &name : strangers)
            QVERIFY2(QFileInfo::exists(folder + QLatin1Char('/') + name), qPrintable(name));
    }

    // ------------------------------------------------------------ compaction

    void compactWindowLooks()
    {
        App app;
        writeDiary(app.pathOf(kAnn), {});
        trigger(app, "mnuUtilitiesCompact");
        auto *w = app.window<CompactDbase>("CompactDbase");
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Compact a Database"));
        QCOMPARE(w->Label1->text(), QStringLiteral("Doubleclick the Database you want compacted."));
        QCOMPARE(w->Cancel->text(), QStringLiteral("Cancel"));
        QCOMPARE(w->Cancel->toolTip(), QStringLiteral("Cancel operation and close window."));
        QCOMPARE(w->helpContext(), 120);
        QVERIFY(!app.shown("BloodMenu"));
        QTest::keyClick(w, Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("CompactDbase")));
        QVERIFY(app.shown("BloodMenu"));
    }

    void compactionShrinksTheDiaryAndKeepsEveryDay()
    {
        App app;
        const QList<ReadingDay> days = consecutiveDays(2000);
        writeDiary(app.pathOf(kAnn), days);
        rawSql(app.pathOf(kAnn), "PRAGMA secure_delete = OFF; DELETE FROM BLOOD WHERE Bdate >= '2013-03-01'");
        const QList<ReadingDay> kept = readDiary(app.pathOf(kAnn));
        const qint64 sizeBefore = QFileInfo(app.pathOf(kAnn)).size();
        // A compacted copy left by an earlier failed attempt.
        writeBytes(app.pathOf(QStringLiteral("PARTSNEW.MDB")), "left over");

        trigger(app, "mnuUtilitiesCompact");
        doubleClick(app.window<CompactDbase>("CompactDbase")->File1, kAnn);
        QVERIFY(app.fakes.messages.shown.isEmpty());
        QCOMPARE(app.fakes.wait.begun, 1);
        QCOMPARE(app.fakes.wait.depth, 0);
        QVERIFY(!app.frame->window(QStringLiteral("CompactDbase")));
        QVERIFY(app.shown("BloodMenu"));
        QCOMPARE(snapshot(app.folder()).keys(), QStringList{kAnn});
        QVERIFY(QFileInfo(app.pathOf(kAnn)).size() < sizeBefore / 4);
        QVERIFY(sameDays(readDiary(app.pathOf(kAnn)), kept));
        QCOMPARE(query(app.pathOf(kAnn), "SELECT type, name, tbl_name FROM sqlite_schema ORDER BY name"),
                 (QStringList{QStringLiteral("table|BLOOD|BLOOD"), QStringLiteral("index|Readings|BLOOD")}));
    }

    void failedCompactionLeavesTheDiary_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("says");
        QTest::newRow("not a database at all") << "text"
                                               << "not a sound diary";
        QTest::newRow("another program's database") << "foreign"
                                                    << "not a sound diary";
        QTest::newRow("leftover PARTSNEW.MDB cannot go") << "leftover"
                                                         << "PARTSNEW.MDB";
        QTest::newRow("compacted copy cut short by a size limit") << "limit"
                                                                  << "could not be compacted";
        QTest::newRow("rename into place fails") << "rename"
                                                 << "could not be compacted";
    }
    void failedCompactionLeavesTheDiary()
    {
        QFETCH(QString, fault);
        QFETCH(QString, says);
        App app;
        const QString diary = app.pathOf(kAnn);
        if (fault == QLatin1String("text"))
            writeBytes(diary, QByteArray("Ann's readings, typed by hand\n").repeated(200));
        else if (fault == QLatin1String("foreign"))
            rawSql(diary, "CREATE TABLE BLOOD (Bdate TEXT); INSERT INTO BLOOD VALUES ('2013-01-01')");
        else
            writeDiary(diary, consecutiveDays(600));
        if (fault == QLatin1String("leftover")) {
            QVERIFY(QDir(app.folder()).mkdir(QStringLiteral("PARTSNEW.MDB")));
            writeBytes(app.pathOf(QStringLiteral("PARTSNEW.MDB/inside")), "x");
        }
        const auto before = snapshot(app.folder());

        trigger(app, "mnuUtilitiesCompact");
        auto *list = app.window<CompactDbase>("CompactDbase")->File1;
        QStringList shown;
        if (fault == QLatin1String("limit")) {
            shown = withFileSizeLimit(16 * 1024, [&] {
                doubleClick(list, kAnn);
                return texts(app.fakes.messages);
            });
        } else {
            std::unique_ptr<FailingStep> failing;
            if (fault == QLatin1String("rename"))
                failing = std::make_unique<FailingStep>("compact.replace");
            doubleClick(list, kAnn);
            shown = texts(app.fakes.messages);
            QVERIFY(app.shown("CompactDbase")); // another file may be chosen
            QCOMPARE(app.fakes.messages.shown.first().icon, MsgIcon::Critical);
        }
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(says), qPrintable(shown.first()));
        QVERIFY(shown.first().contains(QStringLiteral("as it was")));
        QCOMPARE(snapshot(app.folder()), before);
    }

    // ------------------------------------------------------------ repair

    void repairWarnsBeforeEveryRepair()
    {
        App app;
        writeDiary(app.pathOf(kAnn), consecutiveDays(20));
        const auto before = snapshot(app.folder());
        for (int round = 0; round < 2; ++round) {
            app.fakes.messages.reset();
            trigger(app, "mnuUtilitiesRepair");
            auto *w = app.window<RepairDbase>("RepairDbase");
            QVERIFY(w);
            QCOMPARE(w->windowTitle(), QStringLiteral("Repair a Database"));
            QCOMPARE(w->Label1->text(), QStringLiteral("Doubleclick the file you need to repair."));
            QCOMPARE(w->Cancel->toolTip(), QStringLiteral("Cancel operation and close window."));
            QCOMPARE(w->helpContext(), 130);
            QVERIFY(!app.shown("BloodMenu"));
            int waitAtWarning = -1;
            app.fakes.messages.whileShown = [&](const FakeMessages::Shown &) { waitAtWarning = app.fakes.wait.depth; };
            doubleClick(w->File1, kAnn);
            QCOMPARE(app.fakes.messages.beeps, 1);
            QCOMPARE(app.fakes.messages.shown.size(), 1); // a sound diary: nothing more is said
            const auto &warning = app.fakes.messages.shown.first();
            QCOMPARE(warning.text, QStringLiteral("YOU SHOULD RUN THE COMPACT UTILITY AFTER REPAIRING THE DATABASE"));
            QCOMPARE(warning.title, QStringLiteral("Levelbook"));
            QCOMPARE(warning.icon, MsgIcon::Information);
            QCOMPARE(warning.buttons, MsgButtons::Ok);
            QCOMPARE(waitAtWarning, 0);
            QVERIFY(!app.frame->window(QStringLiteral("RepairDbase")));
            QVERIFY(app.shown("BloodMenu"));
            QCOMPARE(snapshot(app.folder()), before);
        }
    }

    void repairLeavesWhatIsNotADiary_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("Ann's readings\n").repeated(300);
        QTest::newRow("empty file") << QByteArray();
    }
    void repairLeavesWhatIsNotADiary()
    {
        QFETCH(QByteArray, content);
        App app;
        writeBytes(app.pathOf(kAnn), content);
        rawSql(app.pathOf(QStringLiteral("Other App.bcl")),
               "CREATE TABLE BLOOD (x); CREATE INDEX Readings ON BLOOD (x)");
        const auto before = snapshot(app.folder());
        for (const QString &file : {kAnn, QStringLiteral("Other App.bcl")}) {
            app.fakes.messages.reset();
            trigger(app, "mnuUtilitiesRepair");
            doubleClick(app.window<RepairDbase>("RepairDbase")->File1, file);
            QCOMPARE(app.fakes.messages.shown.size(), 2);
            QVERIFY2(app.fakes.messages.lastText().contains(QStringLiteral("not a diary")),
                     qPrintable(app.fakes.messages.lastText()));
            QCOMPARE(snapshot(app.folder()), before);
            app.frame->closeWindow(QStringLiteral("RepairDbase"));
        }
    }

    void repairRebuildsABrokenIndex()
    {
        QTemporaryDir dir;
        const QString diary = dir.path() + QLatin1Char('/') + kAnn;
        const QList<ReadingDay> days = consecutiveDays(1500);
        writeDiary(diary, days);
        // Change one key inside the index only, keeping its pages well formed.
        const QStringList leaf = query(diary,
                                       "SELECT pageno FROM dbstat WHERE name = 'Readings' AND pagetype = 'leaf' "
                                       "ORDER BY pageno LIMIT 1");
        QCOMPARE(leaf.size(), 1);
        QByteArray bytes = bytesOf(diary);
        const qint64 start = (leaf.first().toLongLong() - 1) * 4096;
        const qint64 at = bytes.indexOf("2013-", start);
        QVERIFY(at > start && at < start + 4096);
        bytes[at + 3] = '9';
        writeBytes(diary, bytes);
        const QByteArray damaged = bytesOf(diary);
        QVERIFY(query(diary, "PRAGMA integrity_check") != QStringList{QStringLiteral("ok")});

        const RepairResult r = repairDiary(dir.path(), kAnn);
        QCOMPARE(r.outcome, RepairResult::Outcome::Rebuilt);
        QCOMPARE(r.daysKept, 1500);
        QCOMPARE(r.damagedCopy, kAnn + QStringLiteral(".damaged"));
        QCOMPARE(bytesOf(diary + QStringLiteral(".damaged")), damaged);
        QCOMPARE(query(diary, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
        QVERIFY(sameDays(readDiary(diary), days));
        QCOMPARE(snapshot(dir.path()).keys(), (QStringList{kAnn, kAnn + QStringLiteral(".damaged")}));
    }

    void repairSalvagesEveryReadableDay_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("one table page spoilt") << "leaf";
        QTest::newRow("the table's top page spoilt") << "root";
        QTest::newRow("file cut in half") << "cut";
        QTest::newRow("index dropped") << "noindex";
    }
    void repairSalvagesEveryReadableDay()
    {
        QFETCH(QString, damage);
        App app;
        const QString diary = app.pathOf(kAnn);
        const QList<ReadingDay> days = consecutiveDays(1500);
        writeDiary(diary, days);
        const QStringList leaves = query(diary,
                                         "SELECT pageno, ncell FROM dbstat WHERE name = 'BLOOD' AND "
                                         "pagetype = 'leaf' ORDER BY pageno");
        QVERIFY(leaves.size() > 10);
        int lost = 0;
        if (damage == QLatin1String("leaf")) {
            const QStringList page = leaves.at(leaves.size() / 2).split(QLatin1Char('|'));
            spoilPage(diary, page[0].toInt());
            lost = page[1].toInt();
        } else if (damage == QLatin1String("root")) {
            spoilPage(diary, query(diary, "SELECT rootpage FROM sqlite_schema WHERE name = 'BLOOD'").first().toInt());
        } else if (damage == QLatin1String("cut")) {
            const qint64 pages = QFileInfo(diary).size() / 4096;
            QVERIFY(QFile::resize(diary, (pages / 2) * 4096));
            for (const QString &leaf : leaves)
                if (leaf.section(QLatin1Char('|'), 0, 0).toInt() > pages / 2)
                    lost += leaf.section(QLatin1Char('|'), 1, 1).toInt();
            QVERIFY(lost > 0 && lost < 1500);
        } else {
            rawSql(diary, "DROP INDEX Readings");
        }
        const QByteArray damaged = bytesOf(diary);

        trigger(app, "mnuUtilitiesRepair");
        doubleClick(app.window<RepairDbase>("RepairDbase")->File1, kAnn);
        QCOMPARE(app.fakes.messages.shown.size(), 2);
        QVERIFY2(app.fakes.messages.lastText().contains(QStringLiteral("holds %1 days").arg(1500 - lost)),
                 qPrintable(app.fakes.messages.lastText()));
        QVERIFY(app.fakes.messages.lastText().contains(QStringLiteral("Ann Smith.bcl.damaged")));
        QVERIFY(!app.frame->window(QStringLiteral("RepairDbase")));
        QCOMPARE(bytesOf(diary + QStringLiteral(".damaged")), damaged);

        // A sound diary with every day that was not on a spoilt page.
        const QList<ReadingDay> saved = readDiary(diary);
        QCOMPARE(saved.size(), 1500 - lost);
        QMap<QString, ReadingDay> original;
        for (const ReadingDay &d : days)
            original.insert(d.key, d);
        for (const ReadingDay &d : saved)
            QVERIFY(original.value(d.key).readings == d.readings);
        QCOMPARE(query(diary, "PRAGMA integrity_check"), QStringList{QStringLiteral("ok")});
        QCOMPARE(snapshot(app.folder()).keys(), (QStringList{kAnn, kAnn + QStringLiteral(".damaged")}));
        // The mended diary opens in the browser.
        QVERIFY(openDiary(app, kAnn));
    }

    void repairFillsEmptyFieldsAndDropsDaysWithoutDate()
    {
        QTemporaryDir dir;
        const QString diary = dir.path() + QLatin1Char('/') + kAnn;
        writeDiary(diary, consecutiveDays(5));
        rawSql(diary,
               "UPDATE BLOOD SET Bfast = NULL, Night = '' WHERE Bdate = '2013-01-02';"
               "UPDATE BLOOD SET Bdate = NULL WHERE Bdate = '2013-01-04'");
        const RepairResult r = repairDiary(dir.path(), kAnn);
        QCOMPARE(r.outcome, RepairResult::Outcome::Salvaged);
        QCOMPARE(r.daysKept, 4);
        QCOMPARE(r.daysDropped, 1);
        const QList<ReadingDay> saved = readDiary(diary);
        QCOMPARE(saved.size(), 4);
        QCOMPARE(saved[1].key, QStringLiteral("2013-01-02"));
        QCOMPARE(saved[1].readings[0], QStringLiteral("-"));
        QCOMPARE(saved[1].readings[7], QStringLiteral("-"));
        QCOMPARE(saved[2].key, QStringLiteral("2013-01-03"));
    }

    void secondRepairKeepsTheFirstDamagedCopy()
    {
        QTemporaryDir dir;
        const QString diary = dir.path() + QLatin1Char('/') + kAnn;
        writeDiary(diary, consecutiveDays(5));
        rawSql(diary, "DROP INDEX Readings");
        const QByteArray first = bytesOf(diary);
        QCOMPARE(repairDiary(dir.path(), kAnn).outcome, RepairResult::Outcome::Salvaged);
        rawSql(diary, "UPDATE BLOOD SET Afast = NULL");
        const QByteArray second = bytesOf(diary);
        const RepairResult r = repairDiary(dir.path(), kAnn);
        QCOMPARE(r.damagedCopy, kAnn + QStringLiteral(".damaged2"));
        QCOMPARE(bytesOf(diary + QStringLiteral(".damaged")), first);
        QCOMPARE(bytesOf(diary + QStringLiteral(".damaged2")), second);
    }

    void failedRepairLeavesTheDiary_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("working copy cut short by a size limit") << "limit";
        QTest::newRow("rename into place fails") << "rename";
        QTest::newRow("new diary of the readable days cannot be written") << "salvage";
    }
    void failedRepairLeavesTheDiary()
    {
        QFETCH(QString, fault);
        App app;
        const QString diary = app.pathOf(kAnn);
        writeDiary(diary, consecutiveDays(600));
        rawSql(diary, "DROP INDEX Readings");
        const QByteArray damaged = bytesOf(diary);
        const auto before = snapshot(app.folder());

        trigger(app, "mnuUtilitiesRepair");
        auto *list = app.window<RepairDbase>("RepairDbase")->File1;
        QStringList shown;
        if (fault == QLatin1String("limit")) {
            shown = withFileSizeLimit(16 * 1024, [&] {
                doubleClick(list, kAnn);
                return texts(app.fakes.messages);
            });
        } else {
            FailingStep failing(fault == QLatin1String("rename") ? "repair.replace" : "repair.salvage");
            doubleClick(list, kAnn);
            shown = texts(app.fakes.messages);
            QVERIFY(app.shown("RepairDbase"));
        }
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown.last().contains(QStringLiteral("The file is as it was.")), qPrintable(shown.last()));
        QVERIFY2(!shown.last().contains(QStringLiteral(".damaged")), qPrintable(shown.last()));
        QCOMPARE(bytesOf(diary), damaged);
        // Nothing is left behind: not even the copy of the damaged file kept
        // while the repair ran.
        QCOMPARE(snapshot(app.folder()), before);
    }

    // ------------------------------------------------------------ salvage

    void pageScanSkipsFreedPages()
    {
        QTemporaryDir dir;
        const QString diary = dir.path() + QLatin1Char('/') + kAnn;
        writeDiary(diary, consecutiveDays(1500));
        // Without secure deletion the freed pages keep their old days.
        rawSql(diary, "PRAGMA secure_delete = OFF; DELETE FROM BLOOD WHERE Bdate >= '2013-02-20'");
        QVERIFY(query(diary, "PRAGMA freelist_count").first().toInt() > 5);
        const QList<FoundDay> found = scanTablePages(bytesOf(diary));
        QList<ReadingDay> days;
        for (const FoundDay &f : found)
            days << f.day;
        std::sort(days.begin(), days.end(), [](const ReadingDay &a, const ReadingDay &b) { return a.key < b.key; });
        QVERIFY(sameDays(days, readDiary(diary)));
        QVERIFY(scanTablePages(QByteArray("SQLite format 3") + QByteArray(5000, '\0')).isEmpty());
        QVERIFY(scanTablePages(QByteArray(8192, char(0xA5))).isEmpty());
    }

    // Inputs that once made the page scanner misbehave (lengths read from the
    // file large enough to overflow an offset); run under the sanitizers too.
    void pageScanSurvivesTheSavedFuzzInputs()
    {
        const QDir saved(QStringLiteral(SALVAGE_REGRESSIONS));
        const QStringList names = saved.entryList(QDir::Files);
        QVERIFY(!names.isEmpty());
        QTemporaryDir dir;
        for (const QString &name : names) {
            const QByteArray bytes = bytesOf(saved.filePath(name));
            QVERIFY(scanTablePages(bytes).size() * 20 < bytes.size());
            // The whole salvage too, on a copy: the engine may leave files beside it.
            const QString copy = dir.filePath(name);
            writeBytes(copy, bytes);
            QVERIFY(salvageDays(copy).days.size() * 20 < bytes.size());
        }
    }
};

QTEST_MAIN(TestMaintenance)
#include "tst_maintenance.moc"
