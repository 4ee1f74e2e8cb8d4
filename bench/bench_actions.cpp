// Every user action timed through its real window, on diaries of 100, 3,653
// and 36,525 days, and each one that has a floor (the bare engine, or a bare
// toolkit, doing the same work) beside that floor in the same run.
//
//   lb_bench_actions [--rounds N] [--changes] [--sizes small]
//       the tables: N rounds (11 by default); each round takes every action
//       on the 100-date diary, then the 3,653-date one, then the 36,525-date
//       one, the program and its floor one after the other, so that a slow
//       spell of the machine falls on all of them. A round's figure is the
//       median of its samples; the tables give min / median / max over the
//       rounds and the ratio of the medians. --changes takes only the
//       actions that change the diary; --sizes small only the 100-date diary
//       (or --sizes 100,36525 those); --only Report,Add only those actions.
//   lb_bench_actions --benchmark_filter=...
//       the same samples as Google Benchmark runs, for a look at one action.
//
// The windows are the real ones, driven by clicks; messages are answered OK by
// the test support's fake. Set-up between two timed samples (putting the
// browser back on a date, restoring a deleted day, copying the diary back) is
// not timed; its changes go through the browser's kept connection, as the
// person's own would, and a copied diary is flushed to the disk before the
// timed sample, so no flush of the set-up lands in a timed commit.

#include "BenchDiaries.h"
#include "DiaryGenerator.h"
#include "charts/LineChart.h"
#include "charts/StandardDayWindow.h"
#include "core/ChartGroup.h"
#include "core/CsvFile.h"
#include "core/Database.h"
#include "core/DateKey.h"
#include "core/DiaryChanges.h"
#include "core/DiarySession.h"
#include "core/FileOps.h"
#include "core/RangeSummary.h"
#include "core/ReadingKind.h"
#include "listing/Display.h"
#include "maintenance/ImportReadings.h"
#include "opening/SelectDbase.h"
#include "platform/DatePicker.h"
#include "platform/QtPrinting.h"
#include "printing/Reports.h"
#include "readings/AddRds.h"
#include "readings/CurrReading.h"
#include "readings/DeleteRds.h"
#include "readings/EditRds.h"
#include "readings/ReadingEntry.h"
#include "readings/SearchRds.h"
#include "reports/StdRptByDate.h"
#include "support/FakeFiles.h"
#include "support/FakePrinting.h"

#include <QAction>
#include <QApplication>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QDateEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QLocale>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <vector>

namespace {

std::map<int, std::unique_ptr<BenchDiary>> &openDiaries()
{
    static std::map<int, std::unique_ptr<BenchDiary>> diaries;
    return diaries;
}

// The diary of `days` days open in the browser.
BenchDiary &diary(int days)
{
    auto &d = openDiaries()[days];
    if (!d)
        d = std::make_unique<BenchDiary>(days);
    return *d;
}

QDate firstDate() { return QDate(2000, 1, 1); }
QDate middleDate(int days) { return firstDate().addDays(days / 2); }
QDate lastDate(int days) { return firstDate().addDays(days - 1); }

ReadingDay storedDay(const QString &path, const QString &key)
{
    Database db = Database::open(path, Database::Access::ReadOnly);
    Cursor c(db);
    c.seek(SeekOp::Equal, key);
    if (c.noMatch())
        qFatal("%s is not stored", qPrintable(key));
    return c.row();
}

// Set-up changes go through the connection the browser keeps, as the
// person's own changes do: another connection's commit would make the next
// timed action open the diary afresh.
void removeDay(BenchDiary &d, const QString &key)
{
    DiarySession::Lease kept = d.app.frame->diarySession().lease(d.path);
    DiaryChanges::deleteDay(kept.cursor(), key);
    kept.keep();
}

void putDay(BenchDiary &d, const ReadingDay &day)
{
    DiarySession::Lease kept = d.app.frame->diarySession().lease(d.path);
    DiaryChanges::addDay(kept.cursor(), day);
    kept.keep();
}

template <class W> W *openWindow(BenchDiary &d, const char *name)
{
    auto *w = qobject_cast<W *>(d.app.frame->openWindow(QLatin1String(name)));
    if (!w)
        qFatal("window %s did not open", name);
    QCoreApplication::processEvents();
    return w;
}

// Makes `window` the one the keyboard goes to, as the window a person works
// in is. A floor that shows a window of its own (the bare chart view, the
// bare frame) takes that from the program's frame, where giving the keyboard
// to a control is then only noted, not done.
void activate(QWidget *window)
{
    if (window->isActiveWindow())
        return;
    window->activateWindow();
    QCoreApplication::processEvents();
    if (!window->isActiveWindow())
        qFatal("%s could not be made the active window", qPrintable(window->objectName()));
}

// The program's sample of `action` on the frame a person works in.
double programSample(const std::function<double(BenchDiary &)> &action, BenchDiary &d)
{
    activate(d.app.frame.get());
    return action(d);
}

// Stops the run unless the browser is enabled, active and has the keyboard
// again, as the floor of a change through a window leaves its own.
void checkBrowserBack(BenchDiary &d)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(d.browser->parentWidget());
    if (!sub || !sub->isEnabled() || sub->mdiArea()->activeSubWindow() != sub ||
        !d.browser->isAncestorOf(QApplication::focusWidget()))
        qFatal("the browser did not come back");
}

// Windows closed by a handler go away; nothing is left for the next sample.
void settle(BenchDiary &d)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    d.app.fakes.messages.reset();
}

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

// A commit ends with its journal removed from the folder, and nobody flushes
// that removal: the file system does, a few seconds later, or the next
// flush that comes along does it too. A person's next change comes seconds
// after the last; in a benchmark it comes milliseconds after a set-up
// change, and would pay for that change's removal in its own flush, or not,
// depending on the timing. So the folder is flushed, untimed, right before
// every timed change, the program's and its floor's alike.
void settleFolder(const QString &folder)
{
    if (!fileops::syncPath(folder))
        qFatal("could not flush %s", qPrintable(folder));
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The browser put on `date`, drawn, before a timed step.
void showDate(BenchDiary &d, const QDate &date)
{
    static std::map<std::pair<int, QDate>, ReadingDay> days;
    auto &day = days[{d.days, date}];
    if (day.key.isEmpty())
        day = storedDay(d.path, dateKey(date));
    d.browser->showDay(day);
    QCoreApplication::processEvents();
}

// A button's handler, timed from QAbstractButton::click(), which runs the
// same slot as a mouse click (the test library's synthesised mouse click
// alone costs about 0.24 ms, more than some handlers); with `repaint`, until
// the window has drawn what the handler changed.
double timedClick(QPushButton *button, bool repaint)
{
    QElapsedTimer t;
    t.start();
    button->click();
    if (repaint)
        QCoreApplication::processEvents();
    const double ms = msSince(t);
    if (!repaint)
        QCoreApplication::processEvents();
    return ms;
}

// What a run keeps until its end, let go of while the application still
// stands (printers and their fonts must not outlive it).
std::vector<std::function<void()>> &runEnd()
{
    static std::vector<std::function<void()>> steps;
    return steps;
}

template <class T> T &keptForRun(T value)
{
    auto *held = new T(std::move(value));
    runEnd().push_back([held] { delete held; });
    return *held;
}

QString scratchPath(const QString &name)
{
    static QTemporaryDir dir;
    return dir.filePath(name);
}

// ---- The samples: one timed run of an action, in ms ----------------------

// "Open An Existing Database" after the browser was closed; timed from the
// double-click on the diary's name until the browser has painted its last
// date.
double openAsUser(BenchDiary &d)
{
    d.browser->CloseDbase->click();
    settle(d);
    d.app.click("BloodMenu", "Command2");
    auto *select = d.app.window<SelectDbase>("SelectDbase");
    if (!select)
        qFatal("the open window did not open");
    QListWidget *list = select->File1;
    const auto items = list->findItems(benchDiaryName(d.days), Qt::MatchExactly);
    if (items.isEmpty())
        qFatal("the diary is not listed");
    list->setCurrentItem(items.first());
    const QPoint at = list->visualItemRect(items.first()).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QCoreApplication::processEvents();
    QElapsedTimer t;
    t.start();
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    if (!d.app.window<CurrReading>("CurrReading"))
        QTest::keyClick(list, Qt::Key_Return); // the name lies off the screen
    QCoreApplication::processEvents();         // the browser has painted
    const double ms = msSince(t);
    d.browser = d.app.window<CurrReading>("CurrReading");
    if (!d.browser || d.browser->shownKey() != dateKey(lastDate(d.days)))
        qFatal("the diary did not open on its last date");
    return ms;
}

double browserStep(BenchDiary &d, QPushButton *CurrReading::*button, const QDate &expect, bool repaint)
{
    showDate(d, middleDate(d.days));
    const double ms = timedClick(d.browser->*button, repaint);
    if (d.browser->shownKey() != dateKey(expect))
        qFatal("the browser went elsewhere");
    return ms;
}

// What Next asks of the store: the kept connection lent, one step, the row.
double nextInStore(BenchDiary &d)
{
    const QString key = dateKey(middleDate(d.days));
    QElapsedTimer t;
    t.start();
    DiarySession::Lease kept = d.app.frame->diarySession().lease(d.path, Database::Access::ReadOnly);
    Cursor &c = kept.cursor();
    c.seek(SeekOp::Equal, key);
    c.moveNext();
    const ReadingDay day = c.row();
    kept.keep();
    const double ms = msSince(t);
    if (day.key <= key)
        qFatal("the store went elsewhere");
    return ms;
}

double search(BenchDiary &d)
{
    showDate(d, lastDate(d.days));
    auto *w = openWindow<SearchRds>(d, "SearchRds");
    w->Bdates->setDate(middleDate(d.days));
    const double ms = timedClick(w->Search, true);
    settle(d);
    if (d.browser->shownKey() != dateKey(middleDate(d.days)))
        qFatal("the search did not find the date");
    return ms;
}

double add(BenchDiary &d)
{
    const QDate target = middleDate(d.days);
    const ReadingDay day = storedDay(d.path, dateKey(target));
    removeDay(d, day.key);
    auto *w = openWindow<AddRds>(d, "AddRds");
    w->Bdates->setDate(target);
    for (int k = 0; k < kReadingKinds; ++k)
        w->readings->boxes[size_t(k)]->setText(day.readings[size_t(k)] == missingReading() ? QString()
                                                                                           : day.readings[size_t(k)]);
    QCoreApplication::processEvents();
    settleFolder(d.app.folder());
    const double ms = timedClick(w->SaveRd, false);
    checkBrowserBack(d);
    settle(d);
    if (storedDay(d.path, day.key) != day || d.browser->shownKey() != day.key)
        qFatal("the day was not added as typed");
    return ms;
}

double edit(BenchDiary &d)
{
    static int turn = 0;
    const QString value = QString::number(90 + turn++ % 50);
    showDate(d, middleDate(d.days));
    auto *w = openWindow<EditRds>(d, "EditRds");
    w->readings->boxes[0]->setText(value);
    QCoreApplication::processEvents();
    settleFolder(d.app.folder());
    const double ms = timedClick(w->Save, false);
    checkBrowserBack(d);
    settle(d);
    if (storedDay(d.path, dateKey(middleDate(d.days))).readings[0] != value)
        qFatal("the edit was not stored");
    return ms;
}

double deleteCurrentDate(BenchDiary &d)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    showDate(d, middleDate(d.days));
    settleFolder(d.app.folder());
    const double ms = timedClick(d.browser->DeleteReading, false);
    checkBrowserBack(d);
    d.app.fakes.messages.reset();
    if (d.browser->shownKey() != dateKey(middleDate(d.days).addDays(1)))
        qFatal("the browser did not go on to the next date");
    putDay(d, day);
    return ms;
}

// The store's part of Add and of Edit alone, as their handlers ask it: the
// kept connection lent, the change made durable, the connection kept.
// One change through the kept connection, timed; a change that reports it
// did not happen stops the run.
double timedChange(BenchDiary &d, const char *what, const std::function<bool(Cursor &)> &change)
{
    settleFolder(d.app.folder());
    QElapsedTimer t;
    t.start();
    DiarySession::Lease kept =
        d.app.frame->diarySession().lease(d.path, Database::Access::ReadWrite, DiarySession::Start::Anywhere);
    const bool done = change(kept.cursor());
    kept.keep();
    const double ms = msSince(t);
    if (!done)
        qFatal("the day was not %s", what);
    return ms;
}

double addInStore(BenchDiary &d)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    removeDay(d, day.key);
    return timedChange(d, "added", [&](Cursor &c) { return !DiaryChanges::addDay(c, day); });
}

double editInStore(BenchDiary &d)
{
    static int turn = 0;
    ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    day.readings[0] = QString::number(90 + turn++ % 50);
    return timedChange(d, "replaced", [&](Cursor &c) { return DiaryChanges::replaceDay(c, day.key, day); });
}

double deleteInStore(BenchDiary &d)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    const double ms = timedChange(d, "deleted", [&](Cursor &c) { return DiaryChanges::deleteDay(c, day.key).deleted; });
    putDay(d, day);
    return ms;
}

// Half the diary deleted from a fresh copy; the copy is put back afterwards.
double deleteBeforeHalf(BenchDiary &d)
{
    placeBenchDiary(d.days, d.app.folder());
    d.browser->load();
    auto *w = openWindow<DeleteRds>(d, "DeleteRds");
    w->Bdates->setDate(middleDate(d.days));
    QCoreApplication::processEvents();
    const double ms = timedClick(w->DeleteRecords, false);
    settle(d);
    {
        Database db = Database::open(d.path, Database::Access::ReadOnly);
        if (Cursor(db).key() != dateKey(middleDate(d.days)))
            qFatal("the dates before the half were not deleted");
    }
    placeBenchDiary(d.days, d.app.folder());
    d.browser->load();
    return ms;
}

// A page of the listing opened on the middle date, then a step.
double listingStep(BenchDiary &d, bool forward)
{
    showDate(d, middleDate(d.days));
    auto *w = openWindow<listing::Display>(d, "Display");
    const double ms = timedClick(forward ? w->NextPage : w->Previous, true);
    if (w->Picture1->texts().isEmpty())
        qFatal("no page drawn");
    d.app.frame->closeWindow(QStringLiteral("Display"));
    settle(d);
    return ms;
}

QString chartName() { return QLatin1String(readingKinds()[0].chartWindow); }

double chartOpen(BenchDiary &d)
{
    showDate(d, middleDate(d.days));
    QElapsedTimer t;
    t.start();
    auto *w = qobject_cast<LineChart *>(d.app.frame->openWindow(chartName()));
    QCoreApplication::processEvents(); // the chart is painted
    const double ms = msSince(t);
    if (!w || w->group().lineCount == 0)
        qFatal("no group drawn");
    d.app.frame->closeWindow(chartName());
    settle(d);
    return ms;
}

// A chart in use: opened on the middle date and stepped once each way,
// untimed, before the timed step and its repaint.
double chartStep(BenchDiary &d, bool forward)
{
    showDate(d, middleDate(d.days));
    auto *w = openWindow<LineChart>(d, readingKinds()[0].chartWindow);
    timedClick(w->NextGroup, true);
    timedClick(w->Previous, true);
    const QString anchor = w->group().anchor;
    const double ms = timedClick(forward ? w->NextGroup : w->Previous, true);
    if (w->group().anchor == anchor && (forward || d.days > kChartPoints))
        qFatal("the chart did not move");
    d.app.frame->closeWindow(chartName());
    settle(d);
    return ms;
}

// The standard day of the whole diary: the window opened from the browser's
// last date (the 30 days before it), its start moved to the first date, and
// drawn; closing it is not timed.
double standardDayWholeDiary(BenchDiary &d)
{
    showDate(d, lastDate(d.days));
    QElapsedTimer t;
    t.start();
    auto *w = qobject_cast<StandardDayWindow *>(d.app.frame->openWindow(QStringLiteral("StandardDay")));
    if (!w)
        qFatal("the standard day did not open");
    w->StartDate->setDate(firstDate());
    QCoreApplication::processEvents();
    const double ms = msSince(t);
    if (w->page().figures.all.count < qint64(d.days) * 7)
        qFatal("not the whole diary");
    d.app.frame->closeWindow(QStringLiteral("StandardDay"));
    settle(d);
    return ms;
}

ReportRequest wholeRange(int days)
{
    ReportRequest r;
    r.databasePath = benchDiary(days);
    r.databaseName = QStringLiteral("Bench %1").arg(days);
    r.startDate = firstDate();
    r.endDate = lastDate(days);
    r.startKey = dateKey(r.startDate);
    r.endKey = dateKey(r.endDate);
    return r;
}

double rangeSummary(BenchDiary &d)
{
    const ReportRequest r = wholeRange(d.days);
    QElapsedTimer t;
    t.start();
    Database db = Database::open(r.databasePath, Database::Access::ReadOnly);
    Cursor c(db);
    const auto summary = CollectRangeSummary(c, r.startKey, r.endKey).summary;
    const double ms = msSince(t);
    if (!summary || summary->lines != d.days)
        qFatal("wrong summary");
    return ms;
}

// The report window with the whole range, its Print clicked and a PDF file
// named in the (fake) printer dialog; timed from the click until the file is
// written and the window gone.
double reportThroughWindow(BenchDiary &d, bool summaryOnly)
{
    static std::unique_ptr<QtReportPrinter> &kept = keptForRun(std::make_unique<QtReportPrinter>());
    QtReportPrinter &printer = *kept; // one for the run, as the program has
    FakePrinterDialog dialog;
    Services &services = d.app.frame->services();
    services.printer = &printer;
    services.printerDialog = &dialog;
    const QString pdf = scratchPath(QStringLiteral("report.pdf"));
    FakePrinterDialog::Answer answer;
    answer.chosen.outputFile = pdf;
    answer.chosen.pageSize = printer.setup().pageSize;
    dialog.answers = {answer};
    QFile::remove(pdf);

    showDate(d, lastDate(d.days));
    d.app.click("CurrReading", "PrtRpt");
    auto *w = d.app.window<StdRptByDate>("StdRptByDate");
    if (!w)
        qFatal("the report window did not open");
    w->StartDate->setDate(firstDate());
    w->EndDate->setDate(lastDate(d.days));
    (summaryOnly ? w->Option2 : w->Option1)->setChecked(true);
    QCoreApplication::processEvents();
    const double ms = timedClick(w->PrintRpt, false);
    if (!d.app.fakes.messages.shown.isEmpty())
        qFatal("the report said: %s", qPrintable(d.app.fakes.messages.lastText()));
    settle(d);
    services.printer = nullptr;
    services.printerDialog = nullptr;
    if (QFile(pdf).size() < 1000 || d.app.window<StdRptByDate>("StdRptByDate"))
        qFatal("the report was not printed");
    return ms;
}

// The whole diary printed by `levelbook report`, as a scheduled job runs it:
// a process of its own, with no display, on the diaries' folder.
double reportCommandLine(BenchDiary &d)
{
    const QString source = benchDiary(d.days);
    const QString pdf = scratchPath(QStringLiteral("command-line.pdf"));
    QFile::remove(pdf);
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral(LEVELBOOK_PROGRAM),
            {QStringLiteral("report"), QStringLiteral("Bench %1").arg(d.days), QStringLiteral("--from"),
             dateKey(firstDate()), QStringLiteral("--to"), dateKey(lastDate(d.days)), QStringLiteral("-o"), pdf,
             QStringLiteral("--data-folder"), QFileInfo(source).absolutePath()});
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("levelbook report failed: %s", p.readAllStandardError().constData());
    const double ms = msSince(t);
    if (QFile(pdf).size() < 1000)
        qFatal("levelbook report wrote no PDF");
    return ms;
}

// The whole diary exported from the report window to a file named in the
// (fake) save dialog.
double exportCsv(BenchDiary &d)
{
    FakeFileDialogs files;
    d.app.frame->services().files = &files;
    const QString target = scratchPath(QStringLiteral("export.csv"));
    QFile::remove(target);
    showDate(d, lastDate(d.days));
    d.app.click("CurrReading", "PrtRpt");
    auto *w = d.app.window<StdRptByDate>("StdRptByDate");
    w->StartDate->setDate(firstDate());
    w->EndDate->setDate(lastDate(d.days));
    w->Option3->setChecked(true);
    files.answers = {target};
    QCoreApplication::processEvents();
    const double ms = timedClick(w->PrintRpt, false);
    d.app.frame->closeWindow(QStringLiteral("StdRptByDate"));
    settle(d);
    d.app.frame->services().files = nullptr;
    if (QFile(target).size() < qint64(d.days) * 20)
        qFatal("the file does not hold the diary");
    return ms;
}

// That file imported into an emptied diary: the Urilities item, the preview
// window, and "Import" (which adds every date in one change).
double importCsv(BenchDiary &d)
{
    const QString file = scratchPath(QStringLiteral("import-%1.csv").arg(d.days));
    if (!QFile::exists(file) &&
        csv::exportToFile(benchDiary(d.days), dateKey(firstDate()), dateKey(lastDate(d.days)), file).dates != d.days)
        qFatal("the diary could not be exported");
    FakeFileDialogs files;
    d.app.frame->services().files = &files;
    QFile::remove(d.path);
    Database::create(d.path);
    d.browser->load();
    files.answers = {file};
    QCoreApplication::processEvents();
    QElapsedTimer t;
    t.start();
    d.app.frame->action(QStringLiteral("mnuUtilitiesImport"))->trigger();
    auto *w = d.app.window<ImportReadings>("ImportReadings");
    if (!w)
        qFatal("the preview did not open");
    w->ImportRds->click();
    QCoreApplication::processEvents();
    const double ms = msSince(t);
    settle(d);
    d.app.frame->services().files = nullptr;
    if (d.browser->shownKey() != dateKey(lastDate(d.days)) || readDiary(d.path).size() != d.days)
        qFatal("the diary was not filled");
    placeBenchDiary(d.days, d.app.folder());
    d.browser->load();
    return ms;
}

// ---- The floors: the bare engine or toolkit doing the same work ----------
//
// Floors work on a copy of their own, so that their commits do not count as
// changes from another program to the browser's kept connection.

class Floor {
public:
    explicit Floor(int days) : dir_(), days_(days)
    {
        placeBenchDiary(days, dir_.path());
        path_ = QFile::encodeName(QDir(dir_.path()).filePath(benchDiaryName(days)));
    }
    ~Floor() { close(); }
    const QByteArray &path() const { return path_; }
    QString folder() const { return dir_.path(); }
    void place() { close(), placeBenchDiary(days_, dir_.path()); }
    sqlite3 *handle()
    {
        if (!db_ && sqlite3_open_v2(path_.constData(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("the floor's diary did not open");
        return db_;
    }
    void close()
    {
        if (db_)
            sqlite3_close_v2(db_), db_ = nullptr;
    }
    // Runs one statement with text parameters; dies when it fails.
    void run(const char *sql, const QList<QByteArray> &params = {})
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(handle(), sql, -1, &st, nullptr) != SQLITE_OK)
            qFatal("floor: %s", sqlite3_errmsg(db_));
        for (int i = 0; i < params.size(); ++i)
            sqlite3_bind_text(st, i + 1, params[i].constData(), int(params[i].size()), SQLITE_STATIC);
        const int rc = sqlite3_step(st);
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            qFatal("floor: %s", sqlite3_errmsg(db_));
    }

private:
    QTemporaryDir dir_;
    int days_;
    QByteArray path_;
    sqlite3 *db_ = nullptr;
};

QList<QByteArray> rowParams(const ReadingDay &d)
{
    QList<QByteArray> p{d.key.toUtf8()};
    for (const QString &r : d.readings)
        p << ReadingDay::storedForm(r).toUtf8();
    return p;
}

const char *const kInsertSql =
    "INSERT INTO BLOOD (Bdate, Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night)"
    " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";

// One durable commit of `sql` on the floor's open handle, its statement
// prepared and bound when made, run by run().
class PreparedCommit {
public:
    PreparedCommit(Floor &f, const char *sql, const QList<QByteArray> &params) : db_(f.handle()), params_(params)
    {
        if (sqlite3_prepare_v2(db_, sql, -1, &st_, nullptr) != SQLITE_OK)
            qFatal("floor: %s", sqlite3_errmsg(db_));
        for (int i = 0; i < params_.size(); ++i)
            sqlite3_bind_text(st_, i + 1, params_[i].constData(), int(params_[i].size()), SQLITE_STATIC);
    }
    ~PreparedCommit() { sqlite3_finalize(st_); }
    PreparedCommit(const PreparedCommit &) = delete;
    PreparedCommit &operator=(const PreparedCommit &) = delete;

    void run()
    {
        sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        rc_ = sqlite3_step(st_);
        committed_ = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        changes_ = sqlite3_changes(db_);
    }
    // Stops the run unless run() changed a row and committed.
    void check() const
    {
        if (rc_ != SQLITE_DONE || committed_ != SQLITE_OK || changes_ < 1)
            qFatal("floor commit failed: %s", sqlite3_errmsg(db_));
    }

private:
    sqlite3 *db_;
    QList<QByteArray> params_; // bound without copying: they live as long as the statement
    sqlite3_stmt *st_ = nullptr;
    int rc_ = -1, committed_ = -1, changes_ = 0;
};

// One timed durable commit of `sql` on the floor's open handle, its
// statement prepared beforehand.
double timedCommit(Floor &f, const char *sql, const QList<QByteArray> &params)
{
    PreparedCommit commit(f, sql, params);
    settleFolder(f.folder());
    QElapsedTimer t;
    t.start();
    commit.run();
    const double ms = msSince(t);
    commit.check();
    return ms;
}

// The floor of a chart step: a bare chart view of the chart window's size
// with the same kinds of axes, given a new group of 31 dated points and
// painted. Two groups take turns, so every step changes every label.
double bareChartStep()
{
    struct Bare {
        QChartView view;
        QLineSeries *series = new QLineSeries;
        QCategoryAxis *dates = new QCategoryAxis;
        QValueAxis *levels = new QValueAxis;
        int turn = 0;
        Bare()
        {
            QChart *chart = view.chart();
            chart->legend()->hide();
            chart->setAnimationOptions(QChart::NoAnimation);
            for (int i = 0; i < kChartPoints; ++i)
                series->append(i, 0);
            chart->addSeries(series);
            dates->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
            dates->setLabelsAngle(-90);
            dates->setRange(-0.5, kChartPoints - 0.5);
            chart->addAxis(dates, Qt::AlignBottom);
            series->attachAxis(dates);
            chart->addAxis(levels, Qt::AlignLeft);
            series->attachAxis(levels);
            view.resize(900, 520);
            view.show();
            QCoreApplication::processEvents();
        }
    };
    static Bare &bare = *keptForRun(std::make_unique<Bare>());
    const QDate first = QDate(2013, 1, 1).addDays(31 * (bare.turn++ % 2));
    QElapsedTimer t;
    t.start();
    for (const QString &label : bare.dates->categoriesLabels())
        bare.dates->remove(label);
    QList<QPointF> line;
    for (int i = 0; i < kChartPoints; ++i) {
        bare.dates->append(ShortDate(first.addDays(i)), i);
        line.append(QPointF(i, 80 + (i * 37 + bare.turn * 11) % 120));
    }
    bare.series->replace(line);
    bare.levels->setRange(0, 210);
    QCoreApplication::processEvents(); // the chart is painted
    return msSince(t);
}

Floor &floorOf(int days)
{
    static std::map<int, std::unique_ptr<Floor>> floors;
    auto &f = floors[days];
    if (!f)
        f = std::make_unique<Floor>(days);
    return *f;
}

// Open the file, prepare and run one query for a row, read it, close.
double bareRead(Floor &f, const char *sql, const QByteArray &key)
{
    QElapsedTimer t;
    t.start();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(f.path().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    if (!key.isNull())
        sqlite3_bind_text(st, 1, key.constData(), int(key.size()), SQLITE_STATIC);
    int bytes = 0;
    if (sqlite3_step(st) == SQLITE_ROW)
        for (int i = 0; i < 9; ++i)
            bytes += int(std::strlen(reinterpret_cast<const char *>(sqlite3_column_text(st, i))));
    sqlite3_finalize(st);
    sqlite3_close(db);
    const double ms = msSince(t);
    if (bytes == 0)
        qFatal("the floor read nothing");
    return ms;
}

double nextFloor(BenchDiary &d, Floor &f)
{
    return bareRead(f,
                    "SELECT Bdate, Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night"
                    " FROM BLOOD WHERE Bdate > ?1 ORDER BY Bdate LIMIT 1",
                    dateKey(middleDate(d.days)).toUtf8());
}

double openFloor(BenchDiary &, Floor &f)
{
    return bareRead(f,
                    "SELECT Bdate, Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night"
                    " FROM BLOOD ORDER BY Bdate DESC LIMIT 1",
                    QByteArray());
}

double addFloor(BenchDiary &d, Floor &f)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    f.run("DELETE FROM BLOOD WHERE Bdate = ?1", {day.key.toUtf8()});
    return timedCommit(f, kInsertSql, rowParams(day));
}

double editFloor(BenchDiary &d, Floor &f)
{
    static int turn = 0;
    return timedCommit(f, "UPDATE BLOOD SET Bfast = ?1 WHERE Bdate = ?2",
                       {QByteArray::number(90 + turn++ % 50), dateKey(middleDate(d.days)).toUtf8()});
}

double deleteFloor(BenchDiary &d, Floor &f)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    const double ms = timedCommit(f, "DELETE FROM BLOOD WHERE Bdate = ?1", {day.key.toUtf8()});
    f.run(kInsertSql, rowParams(day));
    return ms;
}

double deleteBeforeFloor(BenchDiary &d, Floor &f)
{
    f.place();
    const double ms = timedCommit(f, "DELETE FROM BLOOD WHERE Bdate < ?1", {dateKey(middleDate(d.days)).toUtf8()});
    f.place();
    return ms;
}

// ---- The floors of the changes made through a window ------------------------
//
// A change made through a window costs, beside its commit, the toolkit's own
// work of closing that window and giving the browser back. Its floor is a bare
// frame of the same kind (a main window of the frame's size with an MDI area
// and four menus) holding a stand-in browser (read-only boxes for the name, the
// date and the eight readings, and the browser's eleven buttons, laid out
// alike). Add and Edit open over it, untimed, a bare QMdiSubWindow of the entry
// window's controls (the date box, eight labelled reading boxes, Save and
// Cancel), with the same frame and the browser disabled meanwhile. The click
// on its Save runs the same durable commit as the bare change, shows the day
// in the browser's boxes and closes the sub-window; closing it enables the
// browser again, activates it and gives it the keyboard, as the frame does
// when an entry window closes. Delete Current Date opens no window (its
// question is answered at once): its floor is the commit and the browser's
// boxes showing the next date, from a click on the stand-in browser's button.

// A widget that runs `closing` when it is closed, as a window of the program
// gives back what it held.
class BareForm final : public QWidget {
public:
    std::function<void()> closing;

protected:
    void closeEvent(QCloseEvent *event) override
    {
        if (closing)
            closing();
        event->accept();
    }
};

class BareFrame {
public:
    BareFrame()
    {
        frame_.setObjectName(QStringLiteral("bare frame"));
        frame_.resize(1024, 768);
        area_->setBackground(Qt::black);
        frame_.setCentralWidget(area_);
        for (const char *menu : {"&File", "&Urilities", "&Graphs", "&About"})
            frame_.menuBar()->addMenu(QString::fromLatin1(menu))->addAction(QStringLiteral("Item"));

        auto *form = new QWidget;
        bold(form);
        const int boxWidth = form->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16;
        name_ = readOnlyBox(form);
        date_ = readOnlyBox(form);
        name_->setMinimumWidth(form->fontMetrics().averageCharWidth() * 30);
        auto *top = new QGridLayout;
        top->addWidget(new QLabel(QStringLiteral("Name:"), form), 0, 0);
        top->addWidget(name_, 0, 1);
        top->addWidget(new QLabel(QStringLiteral("Date:"), form), 1, 0);
        top->addWidget(date_, 1, 1);
        auto *grid = new QGridLayout;
        for (int i = 0; i < kReadingKinds; ++i) {
            readings_[size_t(i)] = readOnlyBox(form);
            readings_[size_t(i)]->setFixedWidth(boxWidth);
            grid->addWidget(new QLabel(QLatin1String(readingKinds()[size_t(i)].label), form), i % 4, (i / 4) * 2);
            grid->addWidget(readings_[size_t(i)], i % 4, (i / 4) * 2 + 1);
        }
        auto *nav = new QHBoxLayout;
        for (const char *caption : {"<<", "Previous", "Next", ">>"})
            nav->addWidget(new QPushButton(QLatin1String(caption), form));
        // Search, Add New Date/Rds., Print To Screen, Edit Current Date/Rds.,
        // Print Report, Delete Current Date, in two columns.
        auto *commands = new QGridLayout;
        std::array<QPushButton *, 6> command{};
        const char *const captions[] = {"Search",          "Add New Date/Rds.",
                                        "Print To Screen", "Edit Current Date/Rds.",
                                        "Print Report",    "Delete Current Date"};
        for (size_t i = 0; i < command.size(); ++i) {
            command[i] = new QPushButton(QLatin1String(captions[i]), form);
            commands->addWidget(command[i], int(i / 2), int(i % 2));
        }
        deleteDate_ = command[5];
        auto *layout = new QVBoxLayout(form);
        layout->addWidget(new QLabel(QStringLiteral("Press F1 for Help."), form));
        layout->addLayout(top);
        layout->addLayout(grid);
        layout->addLayout(nav);
        layout->addLayout(commands);
        layout->addWidget(new QPushButton(QStringLiteral("Close Database"), form), 0, Qt::AlignHCenter);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        form->setFocusProxy(command[1]);
        name_->setText(QStringLiteral("Bench"));

        browser_ = addWindow(form, QStringLiteral("Current Reading"));
        frame_.show();
        QCoreApplication::processEvents();
    }

    void activate() { ::activate(&frame_); }
    QPushButton *deleteDate() const { return deleteDate_; }

    void showDay(const ReadingDay &day)
    {
        date_->setText(ShortDate(day.key));
        for (int i = 0; i < kReadingKinds; ++i)
            readings_[size_t(i)]->setText(day.readings[size_t(i)]);
    }
    void clearDay()
    {
        date_->clear();
        for (QLineEdit *box : readings_)
            box->clear();
    }

    // The entry window opened over the browser on `day`, the browser
    // disabled; returns its Save button.
    QPushButton *openEntry(const QString &title, const ReadingDay &day)
    {
        auto *form = new BareForm;
        bold(form);
        auto *date = new QDateEdit(dateFromKey(day.key), form);
        date->setDateRange(QDate(2000, 1, 1), QDate(2099, 12, 31));
        date->setCalendarPopup(true);
        date->setMinimumWidth(date->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 48);
        auto *label = new QLabel(QStringLiteral("&Date:"), form);
        label->setBuddy(date);
        auto *dateRow = new QHBoxLayout;
        dateRow->addStretch();
        dateRow->addWidget(label);
        dateRow->addWidget(date);
        dateRow->addStretch();
        auto *panel = new QWidget(form);
        auto *grid = new QGridLayout(panel);
        grid->setContentsMargins(0, 0, 0, 0);
        for (int i = 0; i < kReadingKinds; ++i) {
            auto *box = new QLineEdit(panel);
            box->setMaxLength(6);
            box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
            const QString &reading = day.readings[size_t(i)];
            box->setText(reading == missingReading() ? QString() : reading);
            grid->addWidget(new QLabel(QLatin1String(readingKinds()[size_t(i)].label), panel), i % 4, (i / 4) * 2);
            grid->addWidget(box, i % 4, (i / 4) * 2 + 1);
        }
        auto *save = new QPushButton(QStringLiteral("&Save"), form);
        auto *cancel = new QPushButton(QStringLiteral("&Cancel"), form);
        save->setDefault(true);
        auto *buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(save);
        buttons->addWidget(cancel);
        buttons->addStretch();
        auto *layout = new QVBoxLayout(form);
        layout->addLayout(dateRow);
        layout->addWidget(panel, 0, Qt::AlignHCenter);
        layout->addLayout(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        form->setFocusProxy(date);
        form->closing = [this] {
            browser_->setEnabled(true);
            area_->setActiveSubWindow(browser_);
            browser_->widget()->setFocus();
        };

        browser_->setEnabled(false);
        entry_ = addWindow(form, title);
        entry_->setAttribute(Qt::WA_DeleteOnClose);
        return save;
    }
    void closeEntry()
    {
        if (entry_)
            entry_->close();
    }

    // Stops the run unless the entry window is closed and the browser is
    // enabled, active and has the keyboard again.
    void checkBrowserBack() const
    {
        if ((entry_ && entry_->isVisible()) || !browser_->isEnabled() || area_->activeSubWindow() != browser_ ||
            !browser_->isAncestorOf(QApplication::focusWidget()))
            qFatal("the floor's browser did not come back");
    }

private:
    static void bold(QWidget *w)
    {
        QFont f = w->font();
        f.setBold(true);
        w->setFont(f);
    }
    static QLineEdit *readOnlyBox(QWidget *parent)
    {
        auto *box = new QLineEdit(parent);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::ClickFocus);
        return box;
    }
    // `form` in a sub-window with a title bar and a close box, sized to it,
    // in the middle of the area, shown and active.
    QMdiSubWindow *addWindow(QWidget *form, const QString &title)
    {
        auto *sub = new QMdiSubWindow;
        sub->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowCloseButtonHint);
        sub->setWidget(form);
        sub->setWindowTitle(title);
        area_->addSubWindow(sub);
        sub->adjustSize();
        sub->setFixedSize(sub->sizeHint());
        const QSize room = area_->viewport()->size();
        sub->move(std::max(0, (room.width() - sub->width()) / 2), std::max(0, (room.height() - sub->height()) / 2));
        sub->show();
        area_->setActiveSubWindow(sub);
        form->setFocus();
        return sub;
    }

    QMainWindow frame_;
    QMdiArea *area_ = new QMdiArea;
    QMdiSubWindow *browser_ = nullptr;
    QPointer<QMdiSubWindow> entry_;
    QLineEdit *name_ = nullptr;
    QLineEdit *date_ = nullptr;
    std::array<QLineEdit *, kReadingKinds> readings_{};
    QPushButton *deleteDate_ = nullptr;
};

BareFrame &bareFrame()
{
    static BareFrame &bare = *keptForRun(std::make_unique<BareFrame>());
    return bare;
}

// The floor of Add or Edit: the entry window opened on `day` (untimed), then
// timed from the click on its Save until the change is durable, the window
// closed and the browser back.
double entryWindowFloor(Floor &f, const QString &title, const ReadingDay &day, const char *sql,
                        const QList<QByteArray> &params)
{
    BareFrame &bare = bareFrame();
    bare.activate();
    PreparedCommit commit(f, sql, params);
    QPushButton *save = bare.openEntry(title, day);
    QObject::connect(save, &QPushButton::clicked, save, [&] {
        commit.run();
        bare.showDay(day);
        bare.closeEntry();
    });
    QCoreApplication::processEvents();
    settleFolder(f.folder());
    const double ms = timedClick(save, false);
    commit.check();
    bare.checkBrowserBack();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    return ms;
}

double addWindowFloor(BenchDiary &d, Floor &f)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    f.run("DELETE FROM BLOOD WHERE Bdate = ?1", {day.key.toUtf8()});
    return entryWindowFloor(f, QStringLiteral("Add New Readings"), day, kInsertSql, rowParams(day));
}

double editWindowFloor(BenchDiary &d, Floor &f)
{
    static int turn = 0;
    ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    day.readings[0] = QString::number(90 + turn++ % 50);
    return entryWindowFloor(f, QStringLiteral("Edit Reading"), day, "UPDATE BLOOD SET Bfast = ?1 WHERE Bdate = ?2",
                            {day.readings[0].toUtf8(), day.key.toUtf8()});
}

// The floor of Delete Current Date: from the click on the stand-in browser's
// button until the day's deletion is durable and its boxes show the next date.
double deleteCurrentDateFloor(BenchDiary &d, Floor &f)
{
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    const ReadingDay next = storedDay(d.path, dateKey(middleDate(d.days).addDays(1)));
    BareFrame &bare = bareFrame();
    bare.activate();
    bare.showDay(day);
    PreparedCommit commit(f, "DELETE FROM BLOOD WHERE Bdate = ?1", {day.key.toUtf8()});
    const QMetaObject::Connection clicked = QObject::connect(bare.deleteDate(), &QPushButton::clicked, [&] {
        commit.run();
        bare.clearDay();
        bare.showDay(next);
    });
    QCoreApplication::processEvents();
    settleFolder(f.folder());
    const double ms = timedClick(bare.deleteDate(), false);
    QObject::disconnect(clicked);
    commit.check();
    bare.checkBrowserBack();
    f.run(kInsertSql, rowParams(day));
    return ms;
}

// The floor of the report: the same texts at the same places drawn with a
// bare QPainter into the same kind of PDF. The texts and their places are
// taken from the report by a printer that only records them.
struct DrawnText {
    int font; // index into fonts
    QPointF at;
    QString text;
};
struct DrawnPage {
    std::vector<DrawnText> texts;
};

class RecordingPrinter final : public ReportPrinter {
public:
    RecordingPrinter() { pages.emplace_back(); }
    PrinterSetup setup() const override { return metrics_.setup(); }
    bool tracksDefaultPrinter() const override { return false; }
    void setTrackDefaultPrinter(bool) override {}
    QStringList installedPrinters() const override { return {}; }
    void useInstalledPrinter(const QString &) override {}
    void useOutputFile(const QString &path) override { metrics_.useOutputFile(path); }
    void usePaper(const QPageSize &size, int copies) override { metrics_.usePaper(size, copies); }
    void setDocumentName(const QString &) override {}
    void setScale(double l, double t, double r, double b) override
    {
        metrics_.setScale(l, t, r, b);
        twips_ = false;
        l_ = l, t_ = t, r_ = r, b_ = b;
    }
    void setScaleTwips() override
    {
        metrics_.setScaleTwips();
        twips_ = true;
    }
    void setFont(const QString &family, double points) override
    {
        metrics_.setFont(family, points);
        font_.setFamily(family);
        font_.setPointSizeF(points);
    }
    void setFontBold(bool on) override { metrics_.setFontBold(on), font_.setBold(on); }
    void setFontItalic(bool on) override { metrics_.setFontItalic(on), font_.setItalic(on); }
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    void printText(const QString &text) override
    {
        int index = fonts.indexOf(font_);
        if (index < 0) {
            fonts.append(font_);
            index = int(fonts.size()) - 1;
        }
        // Where the real printer puts the text's top-left corner, in pixels
        // of the printable area; the floor adds the ascent.
        const QRectF area = device_.pageRect(QPrinter::DevicePixel);
        QPointF at;
        if (twips_) {
            const double k = device_.logicalDpiX() / 1440.0;
            at = QPointF(x_ * k - area.left(), y_ * k - area.top());
        } else {
            at = QPointF((x_ - l_) * area.width() / (r_ - l_), (y_ - t_) * area.height() / (b_ - t_));
        }
        pages.back().texts.push_back({index, at, text});
    }
    double textWidth(const QString &text) override { return metrics_.textWidth(text); }
    void newPage() override { pages.emplace_back(); }
    void endDoc() override {}
    void killDoc() override {}
    Orientation orientation() const override { return Orientation::Portrait; }
    void setOrientation(Orientation) override {}
    void paintPicture(const QPicture &, double, double) override {}

    std::vector<DrawnPage> pages;
    QList<QFont> fonts;

private:
    QtReportPrinter metrics_;
    QPrinter device_{QPrinter::HighResolution};
    QFont font_;
    bool twips_ = true;
    double l_ = 0, t_ = 0, r_ = 1, b_ = 1, x_ = 0, y_ = 0;
};

// The floor of the report: the texts the report draws, recorded once per
// diary, drawn with a bare QPainter into a PDF of the same kind.
double reportFloor(BenchDiary &d, Floor &)
{
    static std::map<int, std::unique_ptr<RecordingPrinter>> &recorded =
        keptForRun(std::map<int, std::unique_ptr<RecordingPrinter>>());
    auto &recorder = recorded[d.days];
    if (!recorder) {
        recorder = std::make_unique<RecordingPrinter>();
        PrintReadingsReport(*recorder, wholeRange(d.days));
        if (recorder->pages.size() < 2)
            qFatal("the report was not recorded");
    }
    const QString pdf = scratchPath(QStringLiteral("floor.pdf"));
    QElapsedTimer t;
    t.start();
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QPainter painter(&printer);
    std::vector<double> ascents;
    for (const QFont &font : recorder->fonts)
        ascents.push_back(QFontMetricsF(font, &printer).ascent());
    bool first = true;
    for (const DrawnPage &page : recorder->pages) {
        if (!first)
            printer.newPage();
        first = false;
        int font = -1;
        for (const DrawnText &text : page.texts) {
            if (text.font != font) {
                painter.setFont(recorder->fonts[text.font]);
                font = text.font;
            }
            painter.drawText(QPointF(text.at.x(), text.at.y() + ascents[size_t(text.font)]), text.text);
        }
    }
    painter.end();
    return msSince(t);
}

// ---- The actions, the rounds and the tables --------------------------------

using Sample = std::function<double(BenchDiary &)>;
using FloorSample = std::function<double(BenchDiary &, Floor &)>;

struct Action {
    const char *id;   // the Google Benchmark name, after "BM_"
    const char *name; // the row in the tables
    int samples;      // per round
    bool changes;     // changes the diary: measured again with it in memory
    Sample program;
    const char *floorName = nullptr;
    FloorSample floor;

    Action(const char *i, const char *n, int s, bool c, Sample p, const char *fn = nullptr, FloorSample f = {})
        : id(i), name(n), samples(s), changes(c), program(std::move(p)), floorName(fn), floor(std::move(f))
    {
    }
};

std::vector<Action> actions()
{
    using C = CurrReading;
    const auto step = [](QPushButton *C::*button, int offset, bool repaint) {
        return [=](BenchDiary &d) {
            const QDate expect = offset == -2 ? firstDate()
                : offset == 2                 ? lastDate(d.days)
                                              : middleDate(d.days).addDays(offset);
            return browserStep(d, button, expect, repaint);
        };
    };
    const char *const bareNext = "open, read one row, close";
    const char *const kEntryFloor = "bare sub-window of its controls closed, browser back, one durable change";
    return {
        {"OpenDiary", "Opening a diary (double-click on its name until the browser has painted)", 5, false, openAsUser,
         "open, read the last row, close", openFloor},
        {"Next", "Next (handler)", 31, false, step(&C::Next, 1, false), bareNext, nextFloor},
        {"NextRepaint", "Next with its repaint", 31, false, step(&C::Next, 1, true), bareNext, nextFloor},
        {"NextStore", "Next, the store's part alone", 31, false, nextInStore, bareNext, nextFloor},
        {"Previous", "Previous with its repaint", 11, false, step(&C::Previous, -1, true)},
        {"First", "\"<<\" with its repaint", 11, false, step(&C::MoveFirst, -2, true)},
        {"Last", "\">>\" with its repaint", 11, false, step(&C::MoveLast, 2, true)},
        {"Search", "Search, with the browser's repaint", 5, false, search},
        {"Add", "Add", 11, true, add, kEntryFloor, addWindowFloor},
        {"AddStore", "Add, the store's part alone", 11, true, addInStore, "one durable INSERT", addFloor},
        {"Edit", "Edit", 11, true, edit, kEntryFloor, editWindowFloor},
        {"EditStore", "Edit, the store's part alone", 11, true, editInStore, "one durable UPDATE", editFloor},
        {"DeleteCurrentDate", "Delete Current Date", 11, true, deleteCurrentDate,
         "browser's boxes on the next date, one durable DELETE", deleteCurrentDateFloor},
        {"DeleteCurrentDateStore", "Delete Current Date, the store's part alone", 11, true, deleteInStore,
         "one durable DELETE", deleteFloor},
        {"DeleteBeforeHalf", "Delete before a date (half the diary)", 1, true, deleteBeforeHalf,
         "one durable DELETE ... WHERE Bdate < ?", deleteBeforeFloor},
        {"ListingNextPage", "Listing: Next Page with its repaint", 5, false,
         [](BenchDiary &d) { return listingStep(d, true); }},
        {"ListingPreviousPage", "Listing: Previous Page with its repaint", 5, false,
         [](BenchDiary &d) { return listingStep(d, false); }},
        {"ChartOpen", "Chart: opened and painted", 5, false, chartOpen},
        {"ChartNext", "Chart: Next with its repaint", 5, false, [](BenchDiary &d) { return chartStep(d, true); },
         "bare chart view, same axes, new 31-point group", [](BenchDiary &, Floor &) { return bareChartStep(); }},
        {"ChartPrevious", "Chart: Previous with its repaint", 5, false,
         [](BenchDiary &d) { return chartStep(d, false); }},
        {"StandardDay", "Standard day of the whole diary, drawn", 1, false, standardDayWholeDiary},
        {"RangeSummary", "Summary figures of the whole range (the store's part)", 1, false, rangeSummary},
        {"SummaryPage", "Summary page alone, whole range, to PDF", 1, false,
         [](BenchDiary &d) { return reportThroughWindow(d, true); }},
        {"Report", "Report of the whole range to PDF, through its window", 1, false,
         [](BenchDiary &d) { return reportThroughWindow(d, false); }, "the same texts drawn with a bare QPainter",
         reportFloor},
        {"ReportCommandLine", "`levelbook report` of the whole range, as a process", 1, false, reportCommandLine},
        {"ExportCsv", "Export of the whole diary to CSV", 1, false, exportCsv},
        {"ImportCsv", "Import of that CSV into an empty diary", 1, true, importCsv},
    };
}

QString figure(double ms) { return QString::number(ms, 'f', ms >= 100 ? 1 : 3); }

QString spread(const std::vector<double> &v)
{
    return QStringLiteral("%1 / %2 / %3")
        .arg(figure(*std::min_element(v.begin(), v.end())), figure(median(v)),
             figure(*std::max_element(v.begin(), v.end())));
}

QString dates(int days) { return QLocale(QLocale::English).toString(days); }

int runRounds(int rounds, const std::vector<int> &sizes, bool changesOnly, const QString &only)
{
    std::vector<Action> all = actions();
    std::vector<Action> chosen;
    std::copy_if(all.begin(), all.end(), std::back_inserter(chosen), [&](const Action &a) {
        return (!changesOnly || a.changes) &&
            (only.isEmpty() || only.split(QLatin1Char(',')).contains(QLatin1String(a.id)));
    });
    for (int days : sizes)
        diary(days), floorOf(days);

    // [action][size] -> per-round medians of the program and of its floor
    std::map<std::pair<size_t, int>, std::pair<std::vector<double>, std::vector<double>>> figures;
    for (int round = 0; round < rounds; ++round) {
        for (int days : sizes) {
            BenchDiary &d = diary(days);
            for (size_t a = 0; a < chosen.size(); ++a) {
                std::vector<double> program, floor;
                for (int s = 0; s < chosen[a].samples; ++s) {
                    program.push_back(programSample(chosen[a].program, d));
                    if (chosen[a].floor)
                        floor.push_back(chosen[a].floor(d, floorOf(days)));
                }
                figures[{a, days}].first.push_back(median(program));
                if (!floor.empty())
                    figures[{a, days}].second.push_back(median(floor));
            }
        }
        std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
    }

    // Every action at every size.
    QString head = QStringLiteral("| action |");
    QString rule = QStringLiteral("|---|");
    for (int days : sizes)
        head += QStringLiteral(" %1 dates: min / median / max (ms) |").arg(dates(days)),
            rule += QStringLiteral("---:|");
    if (sizes.size() > 1)
        head += QStringLiteral(" largest / smallest |"), rule += QStringLiteral("---:|");
    std::printf("%s\n%s\n", qPrintable(head), qPrintable(rule));
    for (size_t a = 0; a < chosen.size(); ++a) {
        QString line = QStringLiteral("| %1 |").arg(QString::fromUtf8(chosen[a].name));
        for (int days : sizes)
            line += QStringLiteral(" %1 |").arg(spread(figures[{a, days}].first));
        if (sizes.size() > 1)
            line += QStringLiteral(" %1 |").arg(
                median(figures[{a, sizes.back()}].first) / median(figures[{a, sizes.front()}].first), 0, 'f', 2);
        std::printf("%s\n", qPrintable(line));
    }

    // Each action that has a floor beside it.
    std::printf("\n| action | dates | program min / median / max (ms) | floor | floor min / median / max (ms) | ratio "
                "of medians |\n|---|---:|---:|---|---:|---:|\n");
    for (size_t a = 0; a < chosen.size(); ++a) {
        if (!chosen[a].floor)
            continue;
        for (int days : sizes) {
            const auto &[program, floor] = figures[{a, days}];
            std::printf("| %s | %s | %s | %s | %s | %.2f |\n", chosen[a].name, qPrintable(dates(days)),
                        qPrintable(spread(program)), chosen[a].floorName, qPrintable(spread(floor)),
                        median(program) / median(floor));
        }
    }
    std::fflush(stdout);
    return 0;
}

// The same samples as Google Benchmark runs, one benchmark per action and
// size (and one per floor), for a look at one action with its filter.
void registerBenchmarks()
{
    for (const Action &a : actions())
        for (int days : kBenchSizes) {
            benchmark::RegisterBenchmark((std::string("BM_") + a.id).c_str(),
                                         [a, days](benchmark::State &state) {
                                             for (auto _ : state)
                                                 state.SetIterationTime(programSample(a.program, diary(days)) / 1e3);
                                         })
                ->Arg(days)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(a.samples);
            if (a.floor)
                benchmark::RegisterBenchmark((std::string("BM_") + a.id + "Floor").c_str(),
                                             [a, days](benchmark::State &state) {
                                                 for (auto _ : state)
                                                     state.SetIterationTime(a.floor(diary(days), floorOf(days)) / 1e3);
                                             })
                    ->Arg(days)
                    ->UseManualTime()
                    ->Unit(benchmark::kMillisecond)
                    ->Iterations(a.samples);
        }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool google = false;
    int rounds = 11;
    bool changesOnly = false;
    QString only;
    std::vector<int> sizes(std::begin(kBenchSizes), std::end(kBenchSizes));
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg.startsWith("--benchmark"))
            google = true;
        else if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--only" && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--changes")
            changesOnly = true;
        else if (arg == "--sizes" && i + 1 < argc) {
            const QByteArray which(argv[++i]);
            sizes.clear();
            for (int days : kBenchSizes)
                if (which == "small" ? days == kBenchSizes[0] : which.split(',').contains(QByteArray::number(days)))
                    sizes.push_back(days);
            if (sizes.empty()) {
                std::fprintf(stderr, "--sizes: small, or some of 100,3653,36525\n");
                return 2;
            }
        } else {
            std::fprintf(
                stderr,
                "usage: %s [--rounds N] [--changes] [--sizes small|DAYS,...] [--only ID,...] | [--benchmark_...]\n",
                argv[0]);
            return 2;
        }
    }
    int done = 0;
    if (google) {
        registerBenchmarks();
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv))
            return 1;
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    } else {
        done = runRounds(rounds, sizes, changesOnly, only);
    }
    openDiaries().clear();
    for (const auto &step : runEnd())
        step();
    return done;
}
