// Start-up and memory, measured on fresh processes.
//
// Without arguments it writes the largest diary, then starts itself again and
// again as a child, one child per measurement:
//   startup: from the moment before the child is started to the first paint
//            of the main window, and to the browser showing the latest date of
//            the largest diary, opened the way a user opens it; then the peak
//            resident memory of the idle program with that diary open;
//   floor:   the first paint of a bare main window, MDI area and four menus;
//   print:   the peak resident memory of the program that prints the report
//            of the whole largest diary (with its summary page) to a PDF.
// Each child reports its own figures (getrusage of itself) on its output; the
// parent prints the medians.

#include "BenchDiaries.h"
#include "core/DateKey.h"
#include "opening/SelectDbase.h"
#include "platform/QtServices.h"
#include "printing/Reports.h"
#include "readings/CurrReading.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

qint64 nowNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

long peakRssKb()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

constexpr int kLargest = 36525;

// Notes the first paint of a widget.
class PaintWatch : public QObject {
public:
    qint64 at = 0;
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && !at)
            at = nowNs();
        return false;
    }
};

// Opens the diary as the user does: "Open An Existing Database", then a
// double-click on its name.
CurrReading *openAsUser(MDIStart &frame, const QString &file)
{
    ChildWindow *menu = frame.window(QStringLiteral("BloodMenu"));
    if (!menu)
        return nullptr;
    QTest::mouseClick(menu->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    auto *select = qobject_cast<SelectDbase *>(frame.window(QStringLiteral("SelectDbase")));
    if (!select)
        return nullptr;
    const auto items = select->File1->findItems(file, Qt::MatchExactly);
    if (items.isEmpty())
        return nullptr;
    QListWidget *list = select->File1;
    const QRect rect = list->visualItemRect(items.first());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    return qobject_cast<CurrReading *>(frame.window(QStringLiteral("CurrReading")));
}

void waitFor(const std::function<bool()> &done)
{
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 5);
}

// The floor of the first paint: a bare main window with its MDI area and
// four menus, shown at the same size.
int floorChild(int argc, char **argv, qint64 t0)
{
    QApplication app(argc, argv);
    QMainWindow frame;
    auto *area = new QMdiArea(&frame);
    frame.setCentralWidget(area);
    for (const char *menu : {"&File", "&Utilities", "&Graphs", "&Help"}) {
        QMenu *m = frame.menuBar()->addMenu(QString::fromLatin1(menu));
        m->addAction(QStringLiteral("Item"));
    }
    PaintWatch framePaint;
    frame.installEventFilter(&framePaint);
    frame.resize(1024, 768);
    frame.show();
    waitFor([&] { return framePaint.at != 0; });
    std::printf("first_paint_floor_ms %.3f\n", (framePaint.at - t0) / 1e6);
    return 0;
}

int child(int argc, char **argv)
{
    const QString mode = QString::fromLatin1(argv[2]);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    const qint64 t0 = QByteArray(argv[4]).toLongLong();
    if (mode == QLatin1String("floor"))
        return floorChild(argc, argv, t0);
    QApplication app(argc, argv);
    QDir::setCurrent(folder);
    QtServices real;
    MDIStart frame(real.services(), folder);
    PaintWatch framePaint;
    frame.installEventFilter(&framePaint);
    frame.resize(1024, 768);
    frame.show();
    QTimer::singleShot(0, &frame, [&frame] { frame.start(); });
    waitFor([&] { return framePaint.at != 0; });
    const qint64 firstPaint = framePaint.at;

    CurrReading *browser = openAsUser(frame, benchDiaryName(kLargest));
    if (!browser || browser->shownKey() != QStringLiteral("2099-12-31")) {
        std::fprintf(stderr, "the largest diary did not open on its latest date\n");
        return 1;
    }
    PaintWatch browserPaint;
    browser->installEventFilter(&browserPaint);
    browser->update();
    waitFor([&] { return browserPaint.at != 0; });
    const qint64 shown = browserPaint.at;
    // A moment of idling, as the user reads the screen.
    const qint64 idleUntil = nowNs() + 200000000LL;
    waitFor([&] { return nowNs() > idleUntil; });

    if (mode == QLatin1String("startup")) {
        std::printf("first_paint_ms %.3f\nbrowser_latest_ms %.3f\nidle_rss_mb %.1f\n", (firstPaint - t0) / 1e6,
                    (shown - t0) / 1e6, peakRssKb() / 1024.0);
        return 0;
    }
    const long before = peakRssKb();
    ReportRequest r;
    r.databasePath = QDir(folder).filePath(benchDiaryName(kLargest));
    r.databaseName = browser->DatabaseName->text();
    r.startDate = QDate(2000, 1, 1);
    r.endDate = QDate(2099, 12, 31);
    r.startKey = dateKey(r.startDate);
    r.endKey = dateKey(r.endDate);
    real.printer.useOutputFile(QDir(folder).filePath(QStringLiteral("report.pdf")));
    const qint64 p0 = nowNs();
    PrintReadingsReport(*frame.services().printer, r);
    const qint64 p1 = nowNs();
    std::printf("idle_rss_mb %.1f\nprint_rss_mb %.1f\nprint_ms %.1f\n", before / 1024.0, peakRssKb() / 1024.0,
                (p1 - p0) / 1e6);
    return 0;
}

struct Figures {
    std::map<std::string, std::vector<double>> values;
};

bool runChild(const char *self, const char *mode, const QString &folder, Figures &figures)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const QByteArray dir = folder.toLocal8Bit();
    const qint64 t0 = nowNs();
    const QByteArray start = QByteArray::number(t0);
    char *args[] = {const_cast<char *>(self),
                    const_cast<char *>("--child"),
                    const_cast<char *>(mode),
                    const_cast<char *>(dir.constData()),
                    const_cast<char *>(start.constData()),
                    nullptr};
    pid_t pid;
    const int failed = posix_spawn(&pid, self, &actions, nullptr, args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (failed) {
        close(pipeFds[0]);
        return false;
    }
    FILE *out = fdopen(pipeFds[0], "r");
    char name[64];
    double value;
    while (std::fscanf(out, "%63s %lf", name, &value) == 2)
        figures.values[name].push_back(value);
    std::fclose(out);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 5 && QByteArray(argv[1]) == "--child")
        return child(argc, argv);

    int runs = 7;
    if (argc > 1)
        runs = std::max(1, atoi(argv[1]));
    QTemporaryDir folder;
    {
        QCoreApplication app(argc, argv);
        placeBenchDiary(kLargest, folder.path());
    }
    Figures figures;
    for (int i = 0; i < runs; ++i) {
        // The program and its floor one after the other in every round.
        if (!runChild(argv[0], "startup", folder.path(), figures) ||
            !runChild(argv[0], "floor", folder.path(), figures)) {
            std::fprintf(stderr, "a start-up run failed\n");
            return 1;
        }
    }
    for (int i = 0; i < std::max(1, runs / 2); ++i) {
        if (!runChild(argv[0], "print", folder.path(), figures)) {
            std::fprintf(stderr, "a printing run failed\n");
            return 1;
        }
    }
    std::printf("%-20s %10s %10s %10s  (%d start-up runs)\n", "figure", "median", "min", "max", runs);
    for (const auto &[name, v] : figures.values)
        std::printf("%-20s %10.1f %10.1f %10.1f\n", name.c_str(), median(v), *std::min_element(v.begin(), v.end()),
                    *std::max_element(v.begin(), v.end()));
    const auto &paint = figures.values["first_paint_ms"];
    const auto &floor = figures.values["first_paint_floor_ms"];
    if (!paint.empty() && !floor.empty())
        std::printf("first paint / its floor: %.2f (medians)\n", median(paint) / median(floor));
    return 0;
}
