// A diary survives the program being killed at any moment. A child process
// stores, edits and deletes days through the program's own store code and
// reports every change it commits; it is killed with SIGKILL at random
// moments, and after every kill the diary must pass the engine's integrity
// check, hold every day the child reported as stored, and show each change
// either wholly done or not done at all.
//
// 200 kills in the normal run. LEVELBOOK_LONG_TESTS=1 makes it 5,000, and
// LEVELBOOK_CRASH_KILLS=<n> any other number; LEVELBOOK_CRASH_SEED=<n> repeats
// a run.

#include "core/Database.h"
#include "support/TestSupport.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

using Model = QMap<QString, ReadingDay>;

// One change the child announced.
struct Change {
    char kind = 0;          // A, I, M, E, D or B
    QString key;            // the day added, deleted or replaced, or the bound of B
    ReadingDay day;         // the new day of A and E
    QList<ReadingDay> days; // the days of I and M (a CSV file's, a meter export's)
};

void apply(Model &model, const Change &c)
{
    switch (c.kind) {
    case 'A': model.insert(c.day.key, c.day); break;
    case 'I':
    case 'M':
        for (const ReadingDay &d : c.days)
            model.insert(d.key, d);
        break;
    case 'E':
        model.remove(c.key);
        model.insert(c.day.key, c.day);
        break;
    case 'D': model.remove(c.key); break;
    case 'B':
        while (!model.isEmpty() && model.firstKey() < c.key)
            model.erase(model.begin());
        break;
    }
}

// A running child with its report pipe.
class Worker {
public:
    Worker(const QString &diary, quint32 seed)
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            qFatal("pipe: %s", std::strerror(errno));
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        const QByteArray path = QFile::encodeName(diary);
        const QByteArray seedText = QByteArray::number(seed);
        char *argv[] = {const_cast<char *>(CRASH_WORKER), const_cast<char *>("change"),
                        const_cast<char *>(path.constData()), const_cast<char *>(seedText.constData()), nullptr};
        if (posix_spawn(&pid_, CRASH_WORKER, &actions, nullptr, argv, environ) != 0)
            qFatal("could not start %s", CRASH_WORKER);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        fd_ = fds[0];
    }
    ~Worker()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(fd_);
    }

    // Reads what the child said within `ms` milliseconds (or until it closed
    // the pipe when `ms` is negative).
    void read(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        for (;;) {
            const int left = ms < 0 ? -1 : int(ms - clock.elapsed());
            if (ms >= 0 && left <= 0)
                return;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, left) <= 0)
                return;
            char buf[4096];
            const ssize_t n = ::read(fd_, buf, sizeof buf);
            if (n <= 0)
                return;
            output_.append(buf, n);
        }
    }

    // Kills the child and collects everything it said; returns how it ended.
    int kill()
    {
        ::kill(pid_, SIGKILL);
        read(-1);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    bool said(const QByteArray &line) const { return output_.startsWith(line + '\n'); }
    QList<QByteArray> lines() const
    {
        QList<QByteArray> out = output_.split('\n');
        out.removeLast(); // the unfinished rest
        return out;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    QByteArray output_;
};

int killsWanted()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("LEVELBOOK_CRASH_KILLS", &ok);
    if (ok && n > 0)
        return n;
    return qEnvironmentVariableIsEmpty("LEVELBOOK_LONG_TESTS") ? 200 : 5000;
}

QStringList integrityReport(Database &db)
{
    sqlite3_stmt *st = nullptr;
    QStringList report;
    if (sqlite3_prepare_v2(db.handle(), "PRAGMA integrity_check", -1, &st, nullptr) != SQLITE_OK)
        return {QStringLiteral("integrity check could not run")};
    while (sqlite3_step(st) == SQLITE_ROW)
        report << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    return report;
}

Model readModel(Database &db)
{
    Model days;
    Cursor c(db);
    if (c.eof())
        return days;
    for (c.moveFirst(); !c.eof(); c.moveNext())
        days.insert(c.key(), c.row());
    return days;
}

QString describe(const Model &m)
{
    QStringList keys = m.keys();
    if (keys.size() > 12)
        keys = keys.mid(0, 6) + QStringList{QStringLiteral("...")} + keys.mid(keys.size() - 6);
    return QStringLiteral("%1 days: %2").arg(m.size()).arg(keys.join(QLatin1Char(' ')));
}

// The first difference between two versions of the diary, for the failure text.
QString difference(const Model &expected, const Model &found)
{
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (!found.contains(it.key()))
            return QStringLiteral("%1 is missing").arg(it.key());
        if (found.value(it.key()) != it.value())
            return QStringLiteral("%1 holds other readings").arg(it.key());
    }
    for (auto it = found.begin(); it != found.end(); ++it)
        if (!expected.contains(it.key()))
            return QStringLiteral("%1 should not be there").arg(it.key());
    return {};
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT

private slots:
    void killedAtAnyMomentTheDiaryIsWholeAndHoldsEveryCommittedDay()
    {
        // On a real disk, where the engine waits for its syncs, most kills land
        // in the middle of a commit.
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString diary = dir.filePath(QStringLiteral("Crash Test.bcl"));

        Model model;
        const QList<ReadingDay> start = consecutiveDays(40, QDate(2000, 3, 1));
        writeDiary(diary, start);
        for (const ReadingDay &d : start)
            model.insert(d.key, d);

        bool seedGiven = false;
        const quint32 seed = quint32(qEnvironmentVariableIntValue("LEVELBOOK_CRASH_SEED", &seedGiven));
        QRandomGenerator rng(seedGiven ? seed : QRandomGenerator::global()->generate());
        const quint32 runSeed = seedGiven ? seed : rng.generate();
        rng.seed(runSeed);
        const int kills = killsWanted();

        int committed = 0, inFlight = 0, inFlightDone = 0, hotJournals = 0, maxDays = 0;
        QMap<char, int> kindsCommitted;
        for (int round = 1; round <= kills; ++round) {
            const QString context =
                QStringLiteral("kill %1 of %2, LEVELBOOK_CRASH_SEED=%3").arg(round).arg(kills).arg(runSeed);
            Worker worker(diary, rng.generate());
            // Wait until it runs, then let it work for a random moment: most
            // of its time goes into committing, so most kills land there.
            for (int waited = 0; waited < 100 && !worker.said("R"); ++waited)
                worker.read(100);
            QVERIFY2(worker.said("R"), qPrintable(context + QStringLiteral(": the worker did not start")));
            worker.read(int(rng.bounded(25u)));
            const int status = worker.kill();
            const QList<QByteArray> lines = worker.lines();
            if (!lines.isEmpty() && lines.last().startsWith('X'))
                QFAIL(qPrintable(context + QStringLiteral(": the worker failed: ") + QString::fromUtf8(lines.last())));
            QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL,
                     qPrintable(context + QStringLiteral(": the worker ended on its own")));

            // Replay the reports: every announced change that was followed by
            // "C" is committed; the last one may be in flight.
            std::optional<Change> pending;
            for (const QByteArray &raw : lines) {
                const QStringList f = QString::fromUtf8(raw).split(QLatin1Char(' '));
                const QString first = f.value(0);
                const QChar kind = first.isEmpty() ? QChar() : first.at(0);
                if (kind == QLatin1Char('R'))
                    continue;
                if (kind == QLatin1Char('C')) {
                    QVERIFY2(pending, qPrintable(context + QStringLiteral(": a commit without a change")));
                    apply(model, *pending);
                    ++committed;
                    ++kindsCommitted[pending->kind];
                    pending.reset();
                    continue;
                }
                Change c;
                c.kind = char(kind.unicode());
                c.key = f.value(1);
                for (qsizetype at = 1; (c.kind == 'I' || c.kind == 'M') && at + kReadingKinds < f.size();
                     at += kReadingKinds + 1) {
                    ReadingDay d;
                    d.key = f[at];
                    for (int i = 0; i < kReadingKinds; ++i)
                        d.readings[size_t(i)] = f[at + 1 + i];
                    c.days << d;
                }
                if (c.kind == 'A' || c.kind == 'E') {
                    const int first = c.kind == 'A' ? 2 : 3;
                    c.day.key = c.kind == 'A' ? f.value(1) : f.value(2);
                    for (int i = 0; i < kReadingKinds; ++i)
                        c.day.readings[size_t(i)] = f.value(first + i);
                }
                pending = c;
            }
            if (QFile::exists(diary + QStringLiteral("-journal")))
                ++hotJournals;

            // Half of the checks open the diary read-only first, as the
            // browser's steps and the compaction do; the other half for
            // writing, as the browser's loading step does.
            const auto access = round % 2 ? Database::Access::ReadOnly : Database::Access::ReadWrite;
            Model found;
            try {
                Database db = Database::open(diary, access);
                const QStringList report = integrityReport(db);
                QVERIFY2(report == QStringList{QStringLiteral("ok")},
                         qPrintable(context + QStringLiteral(": integrity check: ") + report.join(QLatin1Char('\n'))));
                found = readModel(db);
            } catch (const StoreError &e) {
                QFAIL(qPrintable(context + QStringLiteral(": the diary does not open: ") + e.message()));
            }

            if (found != model) {
                Model after = model;
                if (pending)
                    apply(after, *pending);
                QVERIFY2(pending && found == after,
                         qPrintable(context + QStringLiteral(": ") +
                                    (pending ? QStringLiteral("change %1 %2 is neither undone nor done: ")
                                                   .arg(QLatin1Char(pending->kind))
                                                   .arg(pending->key)
                                             : QString()) +
                                    difference(model, found) + QStringLiteral("\nexpected ") + describe(model) +
                                    QStringLiteral("\nfound ") + describe(found)));
                // It was committed before the kill, only not yet reported.
                model = after;
                ++inFlightDone;
            }
            if (pending)
                ++inFlight;
            maxDays = std::max(maxDays, int(model.size()));
        }
        qInfo("%d kills survived; %d changes committed (%d adds, %d imports, %d meter imports, %d edits, %d deletes, "
              "%d bulk deletes); %d kills with a change in flight, %d of them found done; %d hot journals rolled "
              "back; at most %d days; seed %u",
              kills, committed, kindsCommitted.value('A'), kindsCommitted.value('I'), kindsCommitted.value('M'),
              kindsCommitted.value('E'), kindsCommitted.value('D'), kindsCommitted.value('B'), inFlight, inFlightDone,
              hotJournals, maxDays, runSeed);
        QVERIFY(committed > 0);
        // Both imports ran, the meter's too, so a kill could land in them.
        QVERIFY(kindsCommitted.value('I') > 0 && kindsCommitted.value('M') > 0);
        QVERIFY(inFlight > 0);
    }
};

int main(int argc, char **argv)
{
    // The long run takes far longer than the five minutes Qt Test gives one
    // test function.
    if (!qEnvironmentVariableIsSet("QTEST_FUNCTION_TIMEOUT"))
        qputenv("QTEST_FUNCTION_TIMEOUT", "7200000");
    QCoreApplication app(argc, argv);
    TestCrash test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_crash.moc"
