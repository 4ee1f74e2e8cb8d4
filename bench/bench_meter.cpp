// A meter's export of a whole year, imported: the figures of the import at
// the size a person brings from a sensor.
//
//   lb_bench_meter [--rounds N] [--days D]
//
// The export (written once, untimed) is shaped as a sensor app's with ISO
// times: a reading every five minutes of D days (365 by default: 105,120
// lines) and three finger-sticks a day among them, 106,215 lines and about
// 6 MB in all. Every measurement runs in a fresh child process, which
// reports its own time and peak RSS (getrusage of itself); a round takes
// each of them once:
//   preview        the file read from the disk, its readings placed and set
//                  against an empty diary, the preview's lines made (what the
//                  import window shows before "Import");
//   preview-fill   the same with the empty times of day filled from the sensor;
//   import         the preview, then every new date added to the empty diary
//                  in one change; the write is also given alone;
//   command line   `levelbook import NAME FILE --unit mg/dL`, as a process,
//                  timed by the parent from its start to its end, with its
//                  peak RSS (wait4).
// Each child checks what it did (every date of the year added, a cell where
// the finger-sticks were), so the figures stay figures of the whole work.

#include "core/CsvFile.h"
#include "core/Database.h"
#include "core/MeterImport.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

const QDate kFirst(2025, 1, 1);

// The export: the header of a sensor app's ISO export, sensor rows ("EGV")
// every five minutes on a slow daily wave, and finger-sticks ("Calibration")
// at 07:20, 12:40 and 19:10.
QByteArray sensorExport(int days)
{
    QByteArray out;
    out.reserve(qsizetype(days) * 300 * 80);
    out += "Index,Timestamp (YYYY-MM-DDThh:mm:ss),Event Type,Event Subtype,Patient Info,Device Info,Source Device "
           "ID,Glucose Value (mg/dL),Insulin Value (u),Carb Value (grams),Duration (hh:mm:ss),Glucose Rate of Change "
           "(mg/dL/min),Transmitter Time (Long Integer),Transmitter ID\r\n";
    qint64 index = 0;
    const auto row = [&](const QDate &date, int minute, const char *kind, int value) {
        ++index;
        char line[160];
        const int n =
            std::snprintf(line, sizeof line, "%lld,%04d-%02d-%02dT%02d:%02d:00,%s,,,,sensor,%d,,,,,%lld,1\r\n",
                          static_cast<long long>(index), date.year(), date.month(), date.day(), minute / 60,
                          minute % 60, kind, value, static_cast<long long>(index * 300));
        out.append(line, n);
    };
    for (int d = 0; d < days; ++d) {
        const QDate date = kFirst.addDays(d);
        for (int minute = 0; minute < 24 * 60; minute += 5) {
            const double wave = 140 + 60 * std::sin(double(minute + d * 37) / 1440 * 2 * M_PI * 3);
            row(date, minute, "EGV", int(wave) + (minute / 5 + d) % 7);
            for (const int stick : {7 * 60 + 20, 12 * 60 + 40, 19 * 60 + 10})
                if (minute == stick - 5)
                    row(date, stick, "Calibration", 90 + (d * 13 + stick) % 80);
        }
    }
    return out;
}

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

double peakMb()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

[[noreturn]] void fatal(const QString &why)
{
    std::fprintf(stderr, "lb_bench_meter: %s\n", qPrintable(why));
    std::exit(2);
}

// What the import window does before "Import".
meter::MeterPreview preview(const QString &file, const QString &diary, bool fill, int days)
{
    const meter::FileBytes bytes = meter::readImportFile(file);
    if (!bytes.failure.isEmpty())
        fatal(bytes.failure);
    meter::PlaceOptions place;
    place.sensorFill = fill;
    meter::MeterPreview p = meter::previewMeterImport(diary, bytes.bytes, {}, place);
    const QStringList lines = meter::previewLines(p);
    if (p.file.status != meter::FileRead::Status::Read || p.diary.toAdd.size() != days || lines.isEmpty())
        fatal(QStringLiteral("the export was not previewed whole (%1 dates, %2)")
                  .arg(p.diary.toAdd.size())
                  .arg(p.file.failure));
    return p;
}

// One measurement in this process; prints "name value" lines.
int child(const QString &mode, const QString &file, const QString &diary, int days)
{
    Database::create(diary);
    const double before = peakMb();
    QElapsedTimer t;
    t.start();
    if (mode == QLatin1String("preview") || mode == QLatin1String("preview-fill")) {
        const meter::MeterPreview p = preview(file, diary, mode == QLatin1String("preview-fill"), days);
        const double ms = msSince(t);
        // A finger-stick at 07:20 is the first day's Pre-Breakfast.
        if (p.diary.toAdd.first().readings[0] == QLatin1String("-"))
            fatal(QStringLiteral("the finger-stick was not placed"));
        std::printf("%s_ms %.3f\n", qPrintable(mode), ms);
    } else {
        const meter::MeterPreview p = preview(file, diary, false, days);
        const double previewMs = msSince(t);
        QElapsedTimer w;
        w.start();
        const csv::ImportDone done = csv::applyImport(diary, p.diary);
        const double writeMs = msSince(w);
        const double ms = msSince(t);
        if (done.added != days)
            fatal(QStringLiteral("%1 dates were added, not %2").arg(done.added).arg(days));
        std::printf("import_ms %.3f\nimport_preview_ms %.3f\nimport_write_ms %.3f\n", ms, previewMs, writeMs);
    }
    std::printf("%s_mb %.1f\n%s_start_mb %.1f\n", qPrintable(mode), peakMb(), qPrintable(mode), before);
    return 0;
}

// Starts a program with its output to `out` (a pipe's end, or -1 for
// /dev/null) and returns its pid.
pid_t start(const std::vector<QByteArray> &args, int out)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (out >= 0)
        posix_spawn_file_actions_adddup2(&actions, out, 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (const QByteArray &a : args)
        argv.push_back(const_cast<char *>(a.constData()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed)
        fatal(QStringLiteral("could not start %1").arg(QString::fromLocal8Bit(args[0])));
    return pid;
}

using Figures = std::map<std::string, std::vector<double>>;

void runChild(const char *self, const char *mode, const QString &file, const QString &diary, int days, Figures &figures)
{
    QFile::remove(diary);
    int fds[2];
    if (pipe(fds) != 0)
        fatal(QStringLiteral("no pipe"));
    const pid_t pid = start(
        {self, "--child", mode, QFile::encodeName(file), QFile::encodeName(diary), QByteArray::number(days)}, fds[1]);
    close(fds[1]);
    FILE *out = fdopen(fds[0], "r");
    char name[64];
    double value;
    while (std::fscanf(out, "%63s %lf", name, &value) == 2)
        figures[name].push_back(value);
    std::fclose(out);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fatal(QStringLiteral("the %1 child failed").arg(QLatin1String(mode)));
}

// `levelbook import` into an empty diary, with settings of its own.
void runCommandLine(const QString &file, const QString &folder, Figures &figures)
{
    const QString diary = QDir(folder).filePath(QStringLiteral("Bench Import.bcl"));
    QFile::remove(diary);
    Database::create(diary);
    qputenv("HOME", QFile::encodeName(folder));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("/.config")));
    QElapsedTimer t;
    t.start();
    const pid_t pid = start({LEVELBOOK_PROGRAM, "import", "Bench Import", QFile::encodeName(file), "--data-folder",
                             QFile::encodeName(folder), "--unit", "mg/dL"},
                            -1);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = msSince(t);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fatal(QStringLiteral("levelbook import failed"));
    figures["cli_ms"].push_back(ms);
    figures["cli_mb"].push_back(double(usage.ru_maxrss) / 1024.0);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 6 && QByteArray(argv[1]) == "--child") {
        QCoreApplication app(argc, argv);
        return child(QString::fromLatin1(argv[2]), QFile::decodeName(argv[3]), QFile::decodeName(argv[4]),
                     std::atoi(argv[5]));
    }
    QCoreApplication app(argc, argv);
    int rounds = 5, days = 365;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--days" && i + 1 < argc)
            days = std::clamp(std::atoi(argv[++i]), 1, 3653);
        else {
            std::fprintf(stderr, "usage: %s [--rounds N] [--days D]\n", argv[0]);
            return 2;
        }
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sensor export.csv"));
    const QByteArray bytes = sensorExport(days);
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.flush())
            fatal(QStringLiteral("the export could not be written"));
    }
    const QString diary = dir.filePath(QStringLiteral("diary.bcl"));
    const char *self = argv[0];

    Figures figures;
    for (int round = 0; round < rounds; ++round) {
        for (const char *mode : {"preview", "preview-fill", "import"})
            runChild(self, mode, file, diary, days, figures);
        runCommandLine(file, dir.path(), figures);
        std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
    }

    const QLocale english(QLocale::English);
    std::printf("A sensor export of %d days: %s lines after its header (%s sensor readings, %s finger-sticks), "
                "%.1f MB; %d rounds, each in fresh processes.\n\n",
                days, qPrintable(english.toString(bytes.count('\n') - 1)), qPrintable(english.toString(days * 288)),
                qPrintable(english.toString(days * 3)), double(bytes.size()) / (1024.0 * 1024.0), rounds);
    std::printf("| figure | min / median / max |\n|---|---:|\n");
    const std::vector<std::pair<const char *, const char *>> rows{
        {"preview_ms", "Read, placed and previewed (ms)"},
        {"preview-fill_ms", "The same, empty times of day filled from the sensor (ms)"},
        {"import_ms", "Imported into an empty diary: preview and write (ms)"},
        {"import_preview_ms", "Imported: of which the preview (ms)"},
        {"import_write_ms", "Imported: of which the write, one change (ms)"},
        {"cli_ms", "`levelbook import` into an empty diary, as a process (ms)"},
        {"preview_start_mb", "Peak RSS before the work (MB)"},
        {"preview_mb", "Peak RSS, read, placed and previewed (MB)"},
        {"preview-fill_mb", "Peak RSS, the same with the sensor filling (MB)"},
        {"import_mb", "Peak RSS, imported (MB)"},
        {"cli_mb", "Peak RSS of `levelbook import` (MB)"},
    };
    for (const auto &[key, name] : rows) {
        const std::vector<double> &v = figures[key];
        if (v.empty())
            continue;
        std::printf("| %s | %.1f / %.1f / %.1f |\n", name, *std::min_element(v.begin(), v.end()), median(v),
                    *std::max_element(v.begin(), v.end()));
    }
    return 0;
}
