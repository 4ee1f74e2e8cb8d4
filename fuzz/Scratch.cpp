#include "Scratch.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

const QString &scratchFolder()
{
    static const QString folder = [] {
        QByteArray pattern =
            access("/dev/shm", W_OK) == 0 ? "/dev/shm/levelbook-fuzz-XXXXXX" : "/tmp/levelbook-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        std::atexit([] { QDir(scratchFolder()).removeRecursively(); });
        return QString::fromLocal8Bit(pattern);
    }();
    return folder;
}

void writeInput(const QString &path, const uint8_t *data, size_t size)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::perror("open");
        std::abort();
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) {
            std::perror("write");
            std::abort();
        }
        done += size_t(n);
    }
    ::close(fd);
}

void removeWithJournals(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        ::unlink(QFile::encodeName(path + QLatin1String(suffix)).constData());
}
