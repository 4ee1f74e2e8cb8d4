#include "core/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace fileops {

namespace {

QString errnoText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

bool syncFolderOf(const QString &path) { return syncPath(QFileInfo(path).absolutePath()); }

} // namespace

QString tempPathBeside(const QString &target)
{
    const QFileInfo info(target);
    for (;;) {
        const QString candidate = info.absolutePath() + QStringLiteral("/.") + info.fileName().left(200) +
            QStringLiteral(".tmp-") + QString::number(QRandomGenerator::global()->generate(), 36);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

bool isTemporaryName(const QString &name, const QString &targetName)
{
    // ".", the target's name (cut as tempPathBeside() cuts it), ".tmp-", the
    // number, and an engine's companion suffix or nothing.
    static const QRegularExpression pattern(QStringLiteral("^\\.(.+)\\.tmp-[0-9a-z]{1,7}(-journal|-wal|-shm)?$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return false;
    return targetName.isEmpty() || m.captured(1) == targetName.left(200);
}

int removeLeftovers(const QString &folder, const QString &targetName)
{
    const QDir dir(folder);
    int removed = 0;
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!isTemporaryName(name, targetName))
            continue;
        if (QFile::remove(dir.filePath(name)))
            ++removed;
    }
    if (removed)
        syncPath(folder);
    return removed;
}

bool syncPath(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

bool publishNew(const QString &from, const QString &to, QString *error)
{
    const QByteArray src = QFile::encodeName(from);
    const QByteArray dst = QFile::encodeName(to);
#ifdef SYS_renameat2
    if (::syscall(SYS_renameat2, AT_FDCWD, src.constData(), AT_FDCWD, dst.constData(), 1u /*RENAME_NOREPLACE*/) == 0) {
        syncFolderOf(to);
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
#endif
    // File systems without the no-replace rename: a hard link fails when the
    // target exists, which gives the same guarantee.
    if (::link(src.constData(), dst.constData()) == 0) {
        ::unlink(src.constData());
        syncFolderOf(to);
        return true;
    }
    if (error)
        *error = errnoText(errno);
    return false;
}

bool replace(const QString &from, const QString &to, QString *error)
{
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    syncFolderOf(to);
    return true;
}

bool copyAtomically(const QString &from, const QString &to, QString *error)
{
    const QString tmp = stageCopy(from, to, error);
    if (tmp.isEmpty())
        return false;
    if (!replace(tmp, to, error)) {
        QFile::remove(tmp);
        return false;
    }
    return true;
}

bool writeAtomically(const QString &to, const QByteArray &content, QString *error)
{
    const QString tmp = tempPathBeside(to);
    QFile out(tmp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (error)
            *error = out.errorString();
        return false;
    }
    const bool ok = out.write(content) == content.size() && out.flush() && ::fsync(out.handle()) == 0;
    const QString outError = out.errorString();
    out.close();
    if (!ok) {
        if (error)
            *error = outError;
        QFile::remove(tmp);
        return false;
    }
    if (!replace(tmp, to, error)) {
        QFile::remove(tmp);
        return false;
    }
    return true;
}

QString stageCopy(const QString &from, const QString &target, QString *error)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error)
            *error = in.errorString();
        return {};
    }
    const QString tmp = tempPathBeside(target);
    QFile out(tmp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (error)
            *error = out.errorString();
        return {};
    }
    bool ok = true;
    QByteArray chunk;
    while (ok && !(chunk = in.read(1 << 20)).isEmpty())
        ok = out.write(chunk) == chunk.size();
    const bool readFailed = in.error() != QFileDevice::NoError;
    ok = ok && !readFailed && out.flush() && ::fsync(out.handle()) == 0;
    const QString outError = out.errorString();
    out.close();
    if (!ok) {
        if (error)
            *error = readFailed ? in.errorString() : outError;
        QFile::remove(tmp);
        return {};
    }
    return tmp;
}

} // namespace fileops
