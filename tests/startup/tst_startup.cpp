// Starts the real program, copied into a fresh program folder, the way a user
// would: it must come up with its main window and the start-up choice, print
// nothing, and end cleanly when asked to (by the system's termination signal
// or by "E&Xit" from the keyboard). A broken start-up, a missing library or a
// crash on the way out fails here.

#include "app/DataFolder.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kFrameTitle = QStringLiteral("Levelbook  Press F1 for Help");

// The one line Qt's offscreen platform writes for every window with a size
// limit; it says nothing about the program.
const QByteArray kOffscreenNotice = "This plugin does not support propagateSizeHints()";

QByteArray withoutOffscreenNotices(const QByteArray &output)
{
    QByteArray rest;
    for (const QByteArray &line : output.split('\n'))
        if (!line.trimmed().isEmpty() && line.trimmed() != kOffscreenNotice)
            rest += line + '\n';
    return rest;
}

// A user as the program sees one: a home folder and a private runtime folder.
struct UserFolders {
    QString home;
    QString runtime;

    void make(const QString &root, uid_t owner)
    {
        home = root + QStringLiteral("/home");
        runtime = root + QStringLiteral("/runtime");
        QVERIFY(QDir().mkpath(home));
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        if (owner != geteuid()) {
            QCOMPARE(::chown(QFile::encodeName(home).constData(), owner, owner), 0);
            QCOMPARE(::chown(QFile::encodeName(runtime).constData(), owner, owner), 0);
        }
    }

    QString dataFolder() const { return home + QStringLiteral("/.local/share/Levelbook"); }
};

// A fresh program folder holding a copy of the program and nothing else.
class Installation {
public:
    enum class Layout {
        Portable, // a folder of its own, as a copied build
        Installed // PREFIX/bin with the desktop entry in PREFIX/share/applications
    };

    bool make(Layout layout = Layout::Portable)
    {
        if (!root_.isValid())
            return false;
        // Others (the unprivileged user below) must reach the program.
        QFile::setPermissions(root_.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        if (layout == Layout::Installed) {
            const QString applications = root_.path() + QStringLiteral("/prefix/share/applications");
            QFile entry(applications + QStringLiteral("/org.levelbook.levelbook.desktop"));
            if (!QDir().mkpath(applications) || !entry.open(QIODevice::WriteOnly))
                return false;
            folder_ = root_.path() + QStringLiteral("/prefix/bin");
        } else {
            folder_ = root_.path() + QStringLiteral("/Levelbook Program");
        }
        program_ = folder_ + QStringLiteral("/levelbook");
        return QDir().mkpath(folder_) && QFile::copy(QStringLiteral(LEVELBOOK_PROGRAM), program_);
    }

    QString root() const { return root_.path(); }
    QString folder() const { return folder_; }
    QString program() const { return program_; }

    // What the program folder holds besides the program.
    QStringList strayFiles() const
    {
        QStringList files = QDir(folder_).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        files.removeAll(QStringLiteral("levelbook"));
        return files;
    }

private:
    QTemporaryDir root_;
    QString folder_;
    QString program_;
};

QProcessEnvironment environmentFor(const UserFolders &user, const QString &platform, const QString &display = {})
{
    QProcessEnvironment env;
    for (const char *keep : {"PATH", "LANG", "LC_ALL"})
        if (qEnvironmentVariableIsSet(keep))
            env.insert(QLatin1String(keep), qEnvironmentVariable(keep));
    env.insert(QStringLiteral("HOME"), user.home);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), user.runtime);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    if (!display.isEmpty())
        env.insert(QStringLiteral("DISPLAY"), display);
    return env;
}

// Asks the running program to end as the system does at log-out.
void askToEnd(QProcess &program) { QCOMPARE(::kill(pid_t(program.processId()), SIGTERM), 0); }

// The program has ended by itself, without a crash, with status 0 and
// without a word on its output.
void checkEndedCleanly(QProcess &program)
{
    // It may have ended already while the test waited for something else.
    if (program.state() != QProcess::NotRunning)
        QVERIFY2(program.waitForFinished(10000), "the program did not end when asked to");
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QCOMPARE(withoutOffscreenNotices(program.readAllStandardOutput()), QByteArray());
    QCOMPARE(withoutOffscreenNotices(program.readAllStandardError()), QByteArray());
}

// The program is up and stays up: it neither ended nor complained.
void checkRunning(QProcess &program)
{
    QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
    const bool ended = program.waitForFinished(1500);
    QVERIFY2(!ended,
             qPrintable(QStringLiteral("the program ended at start, status %1: %2")
                            .arg(program.exitCode())
                            .arg(QString::fromLocal8Bit(program.readAllStandardError()))));
}

// Runs a helper command on the display; false when it failed. What it
// printed goes to `output`.
bool run(const QString &command, const QStringList &args, const QString &display, QByteArray *output = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    p.setProcessEnvironment(env);
    p.start(command, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (output)
        *output = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The program under test; stopped, should a check fail while it runs.
class Program : public QProcess {
public:
    ~Program() override
    {
        if (state() != NotRunning) {
            kill();
            waitForFinished(5000);
        }
    }
};

// A private X server of its own, on a display number the server chooses.
class XServer {
public:
    ~XServer()
    {
        if (server_.state() != QProcess::NotRunning) {
            server_.terminate();
            if (!server_.waitForFinished(5000)) {
                server_.kill();
                server_.waitForFinished();
            }
        }
    }

    bool start()
    {
        server_.start(QStringLiteral("Xvfb"),
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), QStringLiteral("1024x768x24"), QStringLiteral("-nolisten"),
                       QStringLiteral("tcp")});
        if (!server_.waitForStarted(5000))
            return false;
        QByteArray number;
        QElapsedTimer clock;
        clock.start();
        while (!number.contains('\n') && clock.elapsed() < 10000 && server_.state() == QProcess::Running) {
            server_.waitForReadyRead(200);
            number += server_.readAllStandardOutput();
        }
        if (!number.contains('\n'))
            return false;
        display_ = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
        return true;
    }

    QString display() const { return display_; }

    // The shown top-level window with this exact title, or 0.
    // A loaded machine (the whole suite on two cores) may take long to show the first window.
    qulonglong visibleWindow(const QString &title, int timeout = 30000) const
    {
        QElapsedTimer clock;
        clock.start();
        do {
            QByteArray found;
            run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                 QLatin1Char('^') + QRegularExpression::escape(title) + QLatin1Char('$')},
                display_, &found);
            if (!found.trimmed().isEmpty())
                return found.trimmed().split('\n').first().toULongLong();
            QTest::qWait(100);
        } while (clock.elapsed() < timeout);
        return 0;
    }

    // How many shown top-level windows the process with this id has.
    int visibleWindowsOf(qint64 pid) const
    {
        QByteArray found;
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)},
            display_, &found);
        return int(found.trimmed().isEmpty() ? 0 : found.trimmed().split('\n').size());
    }

    QImage screen() const
    {
        QByteArray png;
        run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")},
            display_, &png);
        return QImage::fromData(png, "PNG");
    }

    // Gives the window the keyboard and types these keys into it, one by one.
    bool keys(qulonglong window, const QStringList &keys) const
    {
        if (!run(QStringLiteral("xdotool"),
                 {QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(window)}, display_))
            return false;
        // Let the program take in that it has the keyboard now.
        QTest::qWait(500);
        for (const QString &key : keys) {
            if (!run(QStringLiteral("xdotool"), {QStringLiteral("key"), key}, display_))
                return false;
            QTest::qWait(300);
        }
        return true;
    }

private:
    QProcess server_;
    QString display_;
};

bool toolsForXPresent()
{
    for (const char *tool : {"Xvfb", "xdotool", "import"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            return false;
    return true;
}

// How light a pixel is, 0 (black) to 255 (white).
int lightness(const QImage &image, int x, int y) { return qGray(image.pixel(x, y)); }

} // namespace

// Runs a checking helper and ends the test at its first failed check.
#define CHECK(call)                                                                                                    \
    do {                                                                                                               \
        call;                                                                                                          \
        if (QTest::currentTestFailed())                                                                                \
            return;                                                                                                    \
    } while (false)

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void theDataFolderIsTheProgramsWhenWritableElseTheUsers()
    {
        QTemporaryDir root;
        const QString program = root.path() + QStringLiteral("/bin");
        const QString user = root.path() + QStringLiteral("/home/.local/share/Levelbook");
        QVERIFY(QDir().mkpath(program));

        QCOMPARE(chooseDataFolder(program, user), program);
        QVERIFY(!QFileInfo::exists(user));
        QVERIFY2(QDir(program).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 "the writability probe left a file behind");

        // A program folder it may not write (here one that is not there) gives
        // the user's folder, made on the spot with its parents.
        QCOMPARE(chooseDataFolder(root.path() + QStringLiteral("/gone/bin"), user), user);
        QVERIFY(QFileInfo(user).isDir());

        // An installed program (PREFIX/bin beside its desktop entry in
        // PREFIX/share/applications) keeps to the user's folder even where it
        // may write its own; a mere folder called bin does not count.
        const QString prefix = root.path() + QStringLiteral("/prefix");
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
        QCOMPARE(chooseDataFolder(prefix + QStringLiteral("/bin"), user), prefix + QStringLiteral("/bin"));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/applications")));
        QFile entry(prefix + QStringLiteral("/share/applications/org.levelbook.levelbook.desktop"));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.close();
        QVERIFY(isInstalledProgramFolder(prefix + QStringLiteral("/bin")));
        QCOMPARE(chooseDataFolder(prefix + QStringLiteral("/bin"), user), user);

        // Neither: no folder at all, which the program reports instead of starting.
        QFile blocker(root.path() + QStringLiteral("/file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QCOMPARE(
            chooseDataFolder(root.path() + QStringLiteral("/gone/bin"), blocker.fileName() + QStringLiteral("/sub")),
            QString());
    }

    void dataFolderIsTheProgramsWhenWritable()
    {
        QTemporaryDir program, user;
        QCOMPARE(chooseDataFolder(program.path(), user.path() + QStringLiteral("/data")),
                 QDir(program.path()).absolutePath());
        // A program folder that cannot take files sends the diaries to the user's folder.
        const QString missing = program.path() + QStringLiteral("/gone");
        const QString perUser = user.path() + QStringLiteral("/share/Levelbook");
        QCOMPARE(chooseDataFolder(missing, perUser), perUser);
        QVERIFY(QDir(perUser).exists());
    }

    void startsOffscreenFromAFreshFolderAndEndsOnTheTerminationSignal()
    {
        Installation install;
        QVERIFY(install.make());
        UserFolders user;
        CHECK(user.make(install.root(), geteuid()));
        // A copy that a killed backup or restore left half-way, and its
        // engine journal, go at the start; a file that only looks alike stays.
        const QString stranger = QStringLiteral(".Ann Smith.bcl.tmp-notes.txt");
        for (const QString &name : {QStringLiteral(".Ann Smith.bcl.tmp-1x2y3z"),
                                    QStringLiteral(".Ann Smith.bcl.tmp-1x2y3z-journal"), stranger})
            writeBytes(install.folder() + QLatin1Char('/') + name, QByteArray(64 * 1024, 'x'));

        Program program;
        program.setProcessEnvironment(environmentFor(user, QStringLiteral("offscreen")));
        program.setWorkingDirectory(QDir::rootPath());
        program.start(install.program(), {});
        CHECK(checkRunning(program));
        CHECK(askToEnd(program));
        CHECK(checkEndedCleanly(program));

        // Its own folder may be written, so it kept to it and left nothing there.
        QVERIFY(!QFileInfo::exists(user.dataFolder()));
        QCOMPARE(install.strayFiles(), QStringList{stranger});
    }

    void anInstalledProgramKeepsDiariesInTheUsersDataFolder()
    {
        // A program folder the user may not write, as under /usr/bin: as root
        // the program runs as the unprivileged user "nobody", otherwise the
        // folder is made read-only.
        Installation install;
        QVERIFY(install.make());
        const bool asRoot = geteuid() == 0;
        const uid_t nobody = 65534;
        if (asRoot && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
            QSKIP("running as root without setpriv to run the program as another user");
        QVERIFY(QFile::setPermissions(install.folder(),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                          QFile::ReadOther | QFile::ExeOther));
        UserFolders user;
        CHECK(user.make(install.root(), asRoot ? nobody : geteuid()));

        Program program;
        program.setProcessEnvironment(environmentFor(user, QStringLiteral("offscreen")));
        program.setWorkingDirectory(QDir::rootPath());
        if (asRoot)
            program.start(QStringLiteral("setpriv"),
                          {QStringLiteral("--reuid=%1").arg(nobody), QStringLiteral("--regid=%1").arg(nobody),
                           QStringLiteral("--clear-groups"), install.program()});
        else
            program.start(install.program(), {});
        CHECK(checkRunning(program));
        CHECK(askToEnd(program));
        CHECK(checkEndedCleanly(program));

        QVERIFY2(QFileInfo(user.dataFolder()).isDir(), "the per-user data folder was not made");
        QCOMPARE(install.strayFiles(), QStringList());
    }

    void aProgramInstalledUnderTheUsersOwnPrefixStillUsesTheUsersDataFolder()
    {
        Installation install;
        QVERIFY(install.make(Installation::Layout::Installed));
        UserFolders user;
        CHECK(user.make(install.root(), geteuid()));

        Program program;
        program.setProcessEnvironment(environmentFor(user, QStringLiteral("offscreen")));
        program.start(install.program(), {});
        CHECK(checkRunning(program));
        CHECK(askToEnd(program));
        CHECK(checkEndedCleanly(program));

        QVERIFY2(QFileInfo(user.dataFolder()).isDir(), "the per-user data folder was not made");
        QCOMPARE(install.strayFiles(), QStringList());
    }

    void showsItsMainWindowAndTheStartUpChoiceUnderX()
    {
        if (!toolsForXPresent())
            QSKIP("Xvfb, xdotool and ImageMagick are needed to look at the program's window");
        XServer x;
        QVERIFY2(x.start(), "no private X server");
        Installation install;
        QVERIFY(install.make());
        UserFolders user;
        CHECK(user.make(install.root(), geteuid()));

        Program program;
        program.setProcessEnvironment(environmentFor(user, QStringLiteral("xcb"), x.display()));
        program.start(install.program(), {});
        QVERIFY2(program.waitForStarted(10000), qPrintable(program.errorString()));
        const qulonglong frame = x.visibleWindow(kFrameTitle);
        QVERIFY2(frame != 0,
                 qPrintable(QStringLiteral("no main window; the program said: ") +
                            QString::fromLocal8Bit(program.readAllStandardError())));
        QCOMPARE(program.state(), QProcess::Running);

        // The frame fills the screen in black; the start-up choice's three light
        // buttons stand in its middle, above and below the centre line.
        QTest::qWait(500);
        const QImage screen = x.screen();
        QVERIFY(!screen.isNull());
        const int cx = screen.width() / 2, cy = screen.height() / 2;
        QVERIFY2(lightness(screen, 20, screen.height() - 20) < 40, "the frame is not black");
        QVERIFY2(lightness(screen, 20, cy) < 40, "the frame is not black");
        int lightRows = 0;
        for (int y = cy - 120; y <= cy + 120; ++y)
            lightRows += lightness(screen, cx, y) > 180 ? 1 : 0;
        QVERIFY2(lightRows > 60, "the start-up choice is not shown in the middle of the frame");

        // "E&Xit" from the keyboard ends it at once.
        QVERIFY(x.keys(frame, {QStringLiteral("alt+f"), QStringLiteral("x")}));
        CHECK(checkEndedCleanly(program));
        QCOMPARE(install.strayFiles(), QStringList());
    }

    void endsOnTheTerminationSignalWhileAMessageIsUp()
    {
        if (!toolsForXPresent())
            QSKIP("Xvfb, xdotool and ImageMagick are needed to drive the program's window");
        XServer x;
        QVERIFY2(x.start(), "no private X server");
        Installation install;
        QVERIFY(install.make());
        UserFolders user;
        CHECK(user.make(install.root(), geteuid()));
        // A file that is no diary: opening it brings up the corrupted-file message.
        QFile bad(install.folder() + QStringLiteral("/Ann Smith.bcl"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a diary at all");
        bad.close();

        Program program;
        program.setProcessEnvironment(environmentFor(user, QStringLiteral("xcb"), x.display()));
        program.start(install.program(), {});
        const qulonglong frame = x.visibleWindow(kFrameTitle);
        QVERIFY(frame != 0);
        QCOMPARE(x.visibleWindowsOf(program.processId()), 1);
        // Open An Existing Database, then Enter on the listed file.
        QVERIFY(x.keys(frame, {QStringLiteral("Tab"), QStringLiteral("Return"), QStringLiteral("Return")}));
        QTRY_COMPARE_WITH_TIMEOUT(x.visibleWindowsOf(program.processId()), 2, 5000);

        CHECK(askToEnd(program));
        CHECK(checkEndedCleanly(program));
        QCOMPARE(QFileInfo(bad).size(), qint64(18));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
