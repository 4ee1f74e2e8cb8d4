#include "HostileSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

ForeignChange::ForeignChange(const QString &diary)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    const QByteArray path = QFile::encodeName(diary);
    char *argv[] = {const_cast<char *>(CRASH_WORKER), const_cast<char *>("lock"), const_cast<char *>(path.constData()),
                    nullptr};
    const bool started = posix_spawn(&pid_, CRASH_WORKER, &actions, nullptr, argv, environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    fd_ = fds[0];
    if (!started) {
        pid_ = -1;
        return;
    }
    // Wait for "L": the lock is held.
    pollfd p{fd_, POLLIN, 0};
    char c = 0;
    if (::poll(&p, 1, 10000) <= 0 || ::read(fd_, &c, 1) != 1 || c != 'L')
        kill();
}

ForeignChange::~ForeignChange()
{
    kill();
    if (fd_ >= 0)
        ::close(fd_);
}

void ForeignChange::kill()
{
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

ReadOnlyFolder::ReadOnlyFolder(const QString &folder) : folder_(folder)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        ::chmod(QFile::encodeName(dir.filePath(name)).constData(), 0444);
    ::chmod(QFile::encodeName(folder).constData(), 0555);
    if (::geteuid() == 0)
        changedUser_ = ::seteuid(65534) == 0; // nobody
}

ReadOnlyFolder::~ReadOnlyFolder()
{
    if (changedUser_ && ::seteuid(0) != 0)
        qFatal("could not become root again");
    ::chmod(QFile::encodeName(folder_).constData(), 0700);
    const QDir dir(folder_);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        ::chmod(QFile::encodeName(dir.filePath(name)).constData(), 0644);
}

QString integrity(const QString &path)
{
    sqlite3 *db = nullptr;
    QString verdict = QStringLiteral("<does not open>");
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK) {
            QStringList lines;
            while (sqlite3_step(st) == SQLITE_ROW)
                lines << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
            verdict = lines.join(QLatin1Char('\n'));
        } else {
            verdict = QString::fromUtf8(sqlite3_errmsg(db));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return verdict;
}

QStringList texts(const FakeMessages &m)
{
    QStringList out;
    for (const auto &s : m.shown)
        out << s.text;
    return out;
}

int openHandles() { return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size()); }
