#include "app/CommandLine.h"
#include "app/DataFolder.h"
#include "app/MDIStart.h"
#include "app/TerminationSignals.h"
#include "core/FileOps.h"
#include "platform/QtServices.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLockFile>
#include <QMessageBox>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>

#include <csignal>

int main(int argc, char *argv[])
{
    // A write past the user's file size limit fails like one on a full disk,
    // with a message, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // "levelbook export ...", "import", "report", "list", "--help": no window.
    if (isCommandLine(argc, argv))
        return runCommandLine(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Levelbook"));
    QApplication::setApplicationVersion(QStringLiteral("1.10"));
    // The desktop entry that names the program and its icon in the launcher.
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopId));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    quitOnTerminationSignals(app);

    const QString folder = chooseDataFolder(QApplication::applicationDirPath(),
                                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (folder.isEmpty() || !QDir::setCurrent(folder)) {
        QMessageBox::critical(nullptr, QStringLiteral("Levelbook"),
                              QStringLiteral("Levelbook found no folder in which it may keep your diaries."));
        return 1;
    }

    // Copies that a kill or a power cut left half-way are removed, unless
    // another copy of the program works in the same folder right now.
    QLockFile running(folder + QStringLiteral("/.levelbook.lock"));
    running.setStaleLockTime(0);
    if (running.tryLock(0))
        fileops::removeLeftovers(folder);

    QtServices real;
    MDIStart frame(real.services(), folder);
    // Without a window manager "maximised" means nothing; fill the screen anyway.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        frame.setGeometry(screen->availableGeometry());
    frame.showMaximized();
    QTimer::singleShot(0, &frame, [&frame] { frame.start(); });
    return QApplication::exec();
}
