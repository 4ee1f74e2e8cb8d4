// Every user action timed as its handler does it (open the diary, walk a
// cursor, close it, show the result), on diaries of 100, 3,653 and 36,525
// days. The windows are the real ones, driven by clicks; messages are answered
// OK by the test support's fake. Set-up between timed clicks (putting the
// browser back on a date, restoring a deleted day) is not timed.

#include "BenchDiaries.h"
#include "DiaryGenerator.h"

#include "core/ChartGroup.h"
#include "core/CsvFile.h"
#include "charts/LineChart.h"
#include "charts/StandardDay.h"
#include "listing/Display.h"
#include "maintenance/ImportReadings.h"
#include "platform/DatePicker.h"
#include "platform/QtPrinting.h"
#include "readings/AddRds.h"
#include "readings/CurrReading.h"
#include "readings/DeleteRds.h"
#include "readings/EditRds.h"
#include "readings/ReadingEntry.h"
#include "readings/SearchRds.h"
#include "core/RangeSummary.h"
#include "printing/Reports.h"
#include "core/DateKey.h"
#include "core/Database.h"
#include "core/DiaryChanges.h"
#include "core/KeptDiary.h"
#include "core/ReadingKind.h"
#include "reports/StdRptByDate.h"
#include "support/FakeFiles.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QAction>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QValueAxis>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QLocale>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace {

std::map<int, std::unique_ptr<BenchDiary>> &openDiaries()
{
    static std::map<int, std::unique_ptr<BenchDiary>> diaries;
    return diaries;
}

// The diary of `days` days open in the browser, on its latest date unless a
// benchmark moved it.
BenchDiary &diary(int days)
{
    auto &d = openDiaries()[days];
    if (!d)
        d = std::make_unique<BenchDiary>(days);
    return *d;
}

int daysOf(const benchmark::State &state) { return int(state.range(0)); }
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
void removeDay(const QString &path, const QString &key)
{
    KeptDiary kept(path);
    DiaryChanges::deleteDay(kept.cursor(), key);
    kept.keep();
}

void putDay(const QString &path, const ReadingDay &day)
{
    KeptDiary kept(path);
    DiaryChanges::addDay(kept.cursor(), day);
    kept.keep();
}

void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

template <class W> W *openWindow(BenchDiary &d, const char *name)
{
    auto *w = qobject_cast<W *>(d.app.frame->openWindow(QLatin1String(name)));
    if (!w)
        qFatal("window %s did not open", name);
    return w;
}

void settle(BenchDiary &d)
{
    // Windows closed by a handler go away; nothing is left for the next one.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    d.app.fakes.messages.reset();
}

// ---- The browser ----------------------------------------------------------

void BM_OpenOnLatestDate(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    for (auto _ : state) {
        // The loading step: open the diary, go to its last date, show it.
        d.browser->load();
    }
    if (d.browser->shownKey() != dateKey(lastDate(d.days)))
        state.SkipWithError("not on the latest date");
}

void browserStep(benchmark::State &state, QPushButton *CurrReading::*button, const QDate &from, const QDate &expect)
{
    BenchDiary &d = diary(daysOf(state));
    const ReadingDay start = storedDay(d.path, dateKey(from));
    for (auto _ : state) {
        state.PauseTiming();
        d.browser->showDay(start);
        state.ResumeTiming();
        click(d.browser->*button);
    }
    if (d.browser->shownKey() != dateKey(expect))
        state.SkipWithError("the browser went elsewhere");
    d.browser->load();
}

void BM_Next(benchmark::State &state)
{
    const int days = daysOf(state);
    browserStep(state, &CurrReading::Next, middleDate(days), middleDate(days).addDays(1));
}
void BM_Previous(benchmark::State &state)
{
    const int days = daysOf(state);
    browserStep(state, &CurrReading::Previous, middleDate(days), middleDate(days).addDays(-1));
}
void BM_First(benchmark::State &state)
{
    const int days = daysOf(state);
    browserStep(state, &CurrReading::MoveFirst, middleDate(days), firstDate());
}
void BM_Last(benchmark::State &state)
{
    const int days = daysOf(state);
    browserStep(state, &CurrReading::MoveLast, middleDate(days), lastDate(days));
}

void BM_Search(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const QDate target = middleDate(d.days);
    for (auto _ : state) {
        state.PauseTiming();
        d.browser->load();
        auto *w = openWindow<SearchRds>(d, "SearchRds");
        w->Bdates->setDate(target);
        state.ResumeTiming();
        click(w->Search);
        state.PauseTiming();
        settle(d);
        state.ResumeTiming();
    }
    if (d.browser->shownKey() != dateKey(target))
        state.SkipWithError("search did not find the date");
    d.browser->load();
}

void BM_Add(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const QDate target = middleDate(d.days);
    const ReadingDay kept = storedDay(d.path, dateKey(target));
    for (auto _ : state) {
        state.PauseTiming();
        removeDay(d.path, kept.key);
        auto *w = openWindow<AddRds>(d, "AddRds");
        w->Bdates->setDate(target);
        for (int k = 0; k < kReadingKinds; ++k)
            w->readings->boxes[size_t(k)]->setText(
                kept.readings[size_t(k)] == missingReading() ? QString() : kept.readings[size_t(k)]);
        state.ResumeTiming();
        click(w->SaveRd);
        state.PauseTiming();
        settle(d);
        state.ResumeTiming();
    }
    if (storedDay(d.path, kept.key) != kept || d.browser->shownKey() != kept.key)
        state.SkipWithError("the day was not added as typed");
    d.browser->load();
}

void BM_EditReplace(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    int turn = 0;
    for (auto _ : state) {
        state.PauseTiming();
        d.browser->showDay(day);
        auto *w = openWindow<EditRds>(d, "EditRds");
        w->readings->boxes[0]->setText(QString::number(90 + turn++ % 50));
        state.ResumeTiming();
        click(w->Save);
        state.PauseTiming();
        settle(d);
        state.ResumeTiming();
    }
    if (storedDay(d.path, day.key).readings[0] != QString::number(90 + (turn - 1) % 50))
        state.SkipWithError("the edit was not stored");
    putDay(d.path, day);
    d.browser->load();
}

void BM_DeleteCurrentDate(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
    for (auto _ : state) {
        state.PauseTiming();
        putDay(d.path, day);
        d.browser->showDay(day);
        state.ResumeTiming();
        click(d.browser->DeleteReading);
    }
    if (d.browser->shownKey() != dateKey(middleDate(d.days).addDays(1)))
        state.SkipWithError("the browser did not go on to the next date");
    putDay(d.path, day);
    d.app.fakes.messages.reset();
    d.browser->load();
}

void BM_DeleteBeforeHalf(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const QDate target = middleDate(d.days);
    for (auto _ : state) {
        state.PauseTiming();
        placeBenchDiary(d.days, d.app.folder());
        d.browser->load();
        auto *w = openWindow<DeleteRds>(d, "DeleteRds");
        w->Bdates->setDate(target);
        state.ResumeTiming();
        click(w->DeleteRecords);
        state.PauseTiming();
        settle(d);
        state.ResumeTiming();
    }
    {
        Database db = Database::open(d.path, Database::Access::ReadOnly);
        Cursor c(db);
        if (c.key() != dateKey(target))
            state.SkipWithError("the dates before the half were not deleted");
    }
    placeBenchDiary(d.days, d.app.folder());
    d.browser->load();
}

// The floor of the delete: the same dates removed from the same diary by one
// bare DELETE in one durable transaction, on a handle opened beforehand.
void BM_DeleteBeforeHalfFloor(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const QByteArray bound = dateKey(middleDate(d.days)).toUtf8();
    for (auto _ : state) {
        state.PauseTiming();
        placeBenchDiary(d.days, d.app.folder());
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(d.path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, "DELETE FROM BLOOD WHERE Bdate < ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, bound.constData(), int(bound.size()), SQLITE_STATIC);
        state.ResumeTiming();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        const int rc = sqlite3_step(st);
        const int committed = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        state.PauseTiming();
        if (rc != SQLITE_DONE || committed != SQLITE_OK || sqlite3_changes(db) != d.days / 2)
            state.SkipWithError("the bare DELETE failed");
        sqlite3_finalize(st);
        sqlite3_close(db);
        state.ResumeTiming();
    }
    placeBenchDiary(d.days, d.app.folder());
    d.browser->load();
}

// ---- The listing ----------------------------------------------------------

void listingStep(benchmark::State &state, bool forward)
{
    BenchDiary &d = diary(daysOf(state));
    const ReadingDay from = storedDay(d.path, dateKey(middleDate(d.days)));
    d.browser->showDay(from);
    listing::Display *w = nullptr;
    for (auto _ : state) {
        // Every step starts from the same full first page: the window is
        // opened afresh on the shown day, untimed.
        state.PauseTiming();
        if (w)
            d.app.frame->closeWindow(QStringLiteral("Display"));
        w = openWindow<listing::Display>(d, "Display");
        QCoreApplication::processEvents();
        state.ResumeTiming();
        click(forward ? w->NextPage : w->Previous);
        QCoreApplication::processEvents(); // the page is drawn
    }
    if (w->Picture1->texts().isEmpty())
        state.SkipWithError("no page drawn");
    d.app.frame->closeWindow(QStringLiteral("Display"));
    settle(d);
    d.browser->load();
}

void BM_ListingNextPage(benchmark::State &state) { listingStep(state, true); }
void BM_ListingPreviousPage(benchmark::State &state) { listingStep(state, false); }

// ---- The charts -----------------------------------------------------------

LineChart *openChart(BenchDiary &d) { return openWindow<LineChart>(d, readingKinds()[0].chartWindow); }

// The chart's own part of a timed step, without the repaint that follows it:
// reported beside the whole step as the counter handler_ms.
class HandlerClock {
public:
    void start() { timer_.start(); }
    void stop() { total_ += timer_.nsecsElapsed(); }
    void report(benchmark::State &state) const
    {
        state.counters["handler_ms"] = benchmark::Counter(double(total_) / 1e6, benchmark::Counter::kAvgIterations);
    }

private:
    QElapsedTimer timer_;
    qint64 total_ = 0;
};

void BM_ChartLoad(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    d.browser->showDay(storedDay(d.path, dateKey(middleDate(d.days))));
    LineChart *w = openChart(d);
    HandlerClock handler;
    for (auto _ : state) {
        handler.start();
        w->load();
        handler.stop();
        QCoreApplication::processEvents();
    }
    handler.report(state);
    if (w->group().lineCount == 0)
        state.SkipWithError("no group drawn");
    d.app.frame->closeWindow(QLatin1String(readingKinds()[0].chartWindow));
    settle(d);
    d.browser->load();
}

void chartStep(benchmark::State &state, bool forward)
{
    BenchDiary &d = diary(daysOf(state));
    d.browser->showDay(storedDay(d.path, dateKey(middleDate(d.days))));
    LineChart *w = openChart(d);
    const QString anchor = w->group().anchor;
    HandlerClock handler;
    bool moved = false;
    for (auto _ : state) {
        // Every step starts from the same group: the step the other way
        // brings it back, untimed; where it does not, the chart is opened
        // afresh on the shown day.
        state.PauseTiming();
        if (w->group().anchor != anchor) {
            d.app.frame->closeWindow(QLatin1String(readingKinds()[0].chartWindow));
            w = openChart(d);
            QCoreApplication::processEvents();
        }
        state.ResumeTiming();
        handler.start();
        click(forward ? w->NextGroup : w->Previous);
        handler.stop();
        QCoreApplication::processEvents();
        state.PauseTiming();
        moved = moved || w->group().anchor != anchor;
        click(forward ? w->Previous : w->NextGroup);
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    handler.report(state);
    if (!moved)
        state.SkipWithError("the chart did not move");
    d.app.frame->closeWindow(QLatin1String(readingKinds()[0].chartWindow));
    settle(d);
    d.browser->load();
}

void BM_ChartNext(benchmark::State &state) { chartStep(state, true); }
void BM_ChartPrevious(benchmark::State &state) { chartStep(state, false); }

// The standard day of the whole diary: the window opened from the browser's
// last date (the 30 days before it), then its start moved to the first
// date, and the window drawn; closing it is not timed.
void BM_StandardDayWholeDiary(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    HandlerClock handler;
    qint64 counted = 0;
    for (auto _ : state) {
        handler.start();
        auto *w = openWindow<StandardDay>(d, "StandardDay");
        w->StartDate->setDate(firstDate());
        handler.stop();
        QCoreApplication::processEvents();
        state.PauseTiming();
        counted = w->page().figures.all.count;
        d.app.frame->closeWindow(QStringLiteral("StandardDay"));
        settle(d);
        state.ResumeTiming();
    }
    handler.report(state);
    if (counted < qint64(d.days) * 7)
        state.SkipWithError("not the whole diary");
}

// ---- The reports ----------------------------------------------------------

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

void BM_CollectRangeSummary(benchmark::State &state)
{
    const ReportRequest r = wholeRange(daysOf(state));
    for (auto _ : state) {
        Database db = Database::open(r.databasePath, Database::Access::ReadOnly);
        Cursor c(db);
        auto summary = CollectRangeSummary(c, r.startKey, r.endKey).summary;
        benchmark::DoNotOptimize(summary);
        if (!summary || summary->lines != daysOf(state))
            state.SkipWithError("wrong summary");
    }
}

QString pdfPath()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("report.pdf"));
}

void printReport(benchmark::State &state, bool summaryOnly)
{
    const ReportRequest r = wholeRange(daysOf(state));
    FakeServices fakes;
    QtReportPrinter printer;
    printer.useOutputFile(pdfPath());
    Services services = fakes.services();
    services.printer = &printer;
    for (auto _ : state) {
        if (summaryOnly)
            PrintSummaryOnly(services, nullptr, r);
        else
            PrintReadingsReport(services, nullptr, r);
    }
    if (!fakes.messages.shown.isEmpty())
        state.SkipWithError(qPrintable(fakes.messages.lastText()));
    state.counters["pdf_bytes"] = double(QFile(pdfPath()).size());
}

void BM_ReportToPdf(benchmark::State &state) { printReport(state, false); }
void BM_SummaryPageAlone(benchmark::State &state) { printReport(state, true); }

// The whole largest diary printed by `levelbook report`, as a scheduled job
// runs it: a process of its own, with no display, on the diaries' folder.
void BM_ReportCommandLine(benchmark::State &state)
{
    const int days = daysOf(state);
    const QString diary = benchDiary(days);
    const QString pdf = pdfPath();
    for (auto _ : state) {
        QProcess p;
        p.start(QStringLiteral(LEVELBOOK_PROGRAM),
                {QStringLiteral("report"), QStringLiteral("Bench %1").arg(days), QStringLiteral("--from"),
                 dateKey(firstDate()), QStringLiteral("--to"), dateKey(lastDate(days)), QStringLiteral("-o"), pdf,
                 QStringLiteral("--data-folder"), QFileInfo(diary).absolutePath()});
        if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
            state.SkipWithError(qPrintable(QString::fromUtf8(p.readAllStandardError())));
            break;
        }
    }
    state.counters["pdf_bytes"] = double(QFile(pdf).size());
}

// ---- Readings out to a CSV file and in from one ---------------------------

// The whole diary exported from the report request window to a file named
// in the (fake) save dialog.
void BM_ExportCsv(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    FakeFileDialogs files;
    d.app.frame->services().files = &files;
    const QString target = QFileInfo(pdfPath()).absolutePath() + QStringLiteral("/export.csv");
    for (auto _ : state) {
        state.PauseTiming();
        d.browser->load();
        d.app.click("CurrReading", "PrtRpt");
        auto *w = d.app.window<StdRptByDate>("StdRptByDate");
        w->StartDate->setDate(firstDate());
        w->EndDate->setDate(lastDate(d.days));
        w->Option3->setChecked(true);
        files.answers = {target};
        state.ResumeTiming();
        click(w->PrintRpt);
        state.PauseTiming();
        settle(d);
        state.ResumeTiming();
    }
    if (QFile(target).size() < qint64(d.days) * 20)
        state.SkipWithError("the file does not hold the diary");
    state.counters["csv_bytes"] = double(QFile(target).size());
    d.app.frame->services().files = nullptr;
}

// That file imported into an emptied diary: the Urilities item, the preview
// window, and "Import" (which adds every date in one change).
void BM_ImportCsv(benchmark::State &state)
{
    BenchDiary &d = diary(daysOf(state));
    const QString file = QFileInfo(pdfPath()).absolutePath() + QStringLiteral("/import-%1.csv").arg(d.days);
    if (csv::exportToFile(benchDiary(d.days), dateKey(firstDate()), dateKey(lastDate(d.days)), file).dates != d.days)
        qFatal("the diary could not be exported");
    FakeFileDialogs files;
    d.app.frame->services().files = &files;
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(d.path);
        Database::create(d.path);
        d.browser->load();
        files.answers = {file};
        state.ResumeTiming();
        d.app.frame->action(QStringLiteral("mnuUtilitiesImport"))->trigger();
        auto *w = d.app.window<ImportReadings>("ImportReadings");
        if (!w) {
            state.SkipWithError("the preview did not open");
            break;
        }
        click(w->ImportRds);
        state.PauseTiming();
        settle(d);
        state.ResumeTiming();
    }
    if (d.browser->shownKey() != dateKey(lastDate(d.days)) || readDiary(d.path).size() != d.days)
        state.SkipWithError("the diary was not filled");
    d.app.frame->services().files = nullptr;
    placeBenchDiary(d.days, d.app.folder());
    d.browser->load();
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

void BM_ReportFloorQPainter(benchmark::State &state)
{
    const ReportRequest r = wholeRange(daysOf(state));
    FakeServices fakes;
    RecordingPrinter recorder;
    Services services = fakes.services();
    services.printer = &recorder;
    PrintReadingsReport(services, nullptr, r);
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath());
        QPainter painter(&printer);
        std::vector<double> ascents;
        for (const QFont &f : recorder.fonts)
            ascents.push_back(QFontMetricsF(f, &printer).ascent());
        bool first = true;
        for (const DrawnPage &page : recorder.pages) {
            if (!first)
                printer.newPage();
            first = false;
            int font = -1;
            for (const DrawnText &t : page.texts) {
                if (t.font != font) {
                    painter.setFont(recorder.fonts[t.font]);
                    font = t.font;
                }
                painter.drawText(QPointF(t.at.x(), t.at.y() + ascents[size_t(t.font)]), t.text);
            }
        }
        painter.end();
    }
    state.counters["pages"] = double(recorder.pages.size());
    state.counters["pdf_bytes"] = double(QFile(pdfPath()).size());
}

// ---- Each action beside its floor -----------------------------------------
//
// Run with --floors: every action and its floor, the bare engine doing the
// same work, timed in the same process and the same rounds. Each round takes
// every row on the 100-date diary and then on the 36,525-date one, the
// program and its floor one after the other, so that a slower spell of the
// machine falls on both. A round's figure is the median of its samples; the
// table gives min / median / max over the rounds and the ratio of the
// medians. Floors work on a copy of their own, so that their commits do not
// count as changes from another program to the browser's kept connection.

class Floor {
public:
    explicit Floor(int days) : dir_(), days_(days)
    {
        placeBenchDiary(days, dir_.path());
        path_ = QFile::encodeName(QDir(dir_.path()).filePath(benchDiaryName(days)));
    }
    ~Floor() { close(); }
    const QByteArray &path() const { return path_; }
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

double msSince(const QElapsedTimer &t) { return double(t.nsecsElapsed()) / 1e6; }

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

// One timed durable commit of `sql` on the floor's open handle, its
// statement prepared beforehand.
double timedCommit(Floor &f, const char *sql, const QList<QByteArray> &params)
{
    sqlite3 *db = f.handle();
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    for (int i = 0; i < params.size(); ++i)
        sqlite3_bind_text(st, i + 1, params[i].constData(), int(params[i].size()), SQLITE_STATIC);
    QElapsedTimer t;
    t.start();
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    const int rc = sqlite3_step(st);
    const int committed = sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    const double ms = msSince(t);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE || committed != SQLITE_OK || sqlite3_changes(db) < 1)
        qFatal("floor commit failed: %s", sqlite3_errmsg(db));
    return ms;
}

// The browser put back on the middle date, drawn, before a timed Next.
void showMiddleDay(BenchDiary &d)
{
    static std::map<int, ReadingDay> start;
    if (!start.count(d.days))
        start[d.days] = storedDay(d.path, dateKey(middleDate(d.days)));
    d.browser->showDay(start[d.days]);
    QCoreApplication::processEvents();
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
    static Bare bare;
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

struct Row {
    const char *name;
    const char *floorName;
    int samples; // per round
    std::function<double(BenchDiary &, Floor &)> program;
    std::function<double(BenchDiary &, Floor &)> floor;
};

std::vector<Row> floorRows()
{
    std::vector<Row> rows;
    // The bare engine's Next: open, read the row after the key, close.
    const auto nextFloor = [](BenchDiary &d, Floor &f) {
        const QByteArray key = dateKey(middleDate(d.days)).toUtf8();
        QElapsedTimer t;
        t.start();
        sqlite3 *db = nullptr;
        sqlite3_open_v2(f.path().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT Bdate, Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night"
                           " FROM BLOOD WHERE Bdate > ?1 ORDER BY Bdate LIMIT 1",
                           -1, &st, nullptr);
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
    };
    rows.push_back({"Next (handler)", "open, read one row, close", 31,
                    [](BenchDiary &d, Floor &) {
                        showMiddleDay(d);
                        QElapsedTimer t;
                        t.start();
                        d.browser->Next->click();
                        const double ms = msSince(t);
                        QCoreApplication::processEvents();
                        if (d.browser->shownKey() != dateKey(middleDate(d.days).addDays(1)))
                            qFatal("Next went elsewhere");
                        return ms;
                    },
                    nextFloor});
    rows.push_back({"Next with its repaint", "open, read one row, close", 31,
                    [](BenchDiary &d, Floor &) {
                        showMiddleDay(d);
                        QElapsedTimer t;
                        t.start();
                        d.browser->Next->click();
                        QCoreApplication::processEvents(); // the boxes are painted
                        return msSince(t);
                    },
                    nextFloor});
    rows.push_back({"Next, the store's part alone", "open, read one row, close", 31,
                    [](BenchDiary &d, Floor &) {
                        const QString key = dateKey(middleDate(d.days));
                        QElapsedTimer t;
                        t.start();
                        KeptDiary kept(d.path, Database::Access::ReadOnly);
                        Cursor &c = kept.cursor();
                        c.seek(SeekOp::Equal, key);
                        c.moveNext();
                        const ReadingDay day = c.row();
                        kept.keep();
                        const double ms = msSince(t);
                        if (day.key <= key)
                            qFatal("the store went elsewhere");
                        return ms;
                    },
                    nextFloor});
    rows.push_back({"Add", "one durable INSERT", 11,
                    [](BenchDiary &d, Floor &) {
                        const QDate target = middleDate(d.days);
                        const ReadingDay kept = storedDay(d.path, dateKey(target));
                        removeDay(d.path, kept.key);
                        auto *w = openWindow<AddRds>(d, "AddRds");
                        w->Bdates->setDate(target);
                        for (int k = 0; k < kReadingKinds; ++k)
                            w->readings->boxes[size_t(k)]->setText(
                                kept.readings[size_t(k)] == missingReading() ? QString() : kept.readings[size_t(k)]);
                        QCoreApplication::processEvents();
                        QElapsedTimer t;
                        t.start();
                        w->SaveRd->click();
                        const double ms = msSince(t);
                        settle(d);
                        if (storedDay(d.path, kept.key) != kept)
                            qFatal("the day was not added");
                        return ms;
                    },
                    [](BenchDiary &d, Floor &f) {
                        const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
                        f.run("DELETE FROM BLOOD WHERE Bdate = ?1", {day.key.toUtf8()});
                        return timedCommit(f, kInsertSql, rowParams(day));
                    }});
    rows.push_back({"Edit", "one durable UPDATE", 11,
                    [](BenchDiary &d, Floor &) {
                        static int turn = 0;
                        const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
                        d.browser->showDay(day);
                        auto *w = openWindow<EditRds>(d, "EditRds");
                        w->readings->boxes[0]->setText(QString::number(90 + turn++ % 50));
                        QCoreApplication::processEvents();
                        QElapsedTimer t;
                        t.start();
                        w->Save->click();
                        const double ms = msSince(t);
                        settle(d);
                        return ms;
                    },
                    [](BenchDiary &d, Floor &f) {
                        static int turn = 0;
                        return timedCommit(
                            f, "UPDATE BLOOD SET Bfast = ?1 WHERE Bdate = ?2",
                            {QByteArray::number(90 + turn++ % 50), dateKey(middleDate(d.days)).toUtf8()});
                    }});
    rows.push_back({"Delete Current Date", "one durable DELETE", 11,
                    [](BenchDiary &d, Floor &) {
                        const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
                        d.browser->showDay(day);
                        QCoreApplication::processEvents();
                        QElapsedTimer t;
                        t.start();
                        d.browser->DeleteReading->click();
                        const double ms = msSince(t);
                        d.app.fakes.messages.reset();
                        if (d.browser->shownKey() != dateKey(middleDate(d.days).addDays(1)))
                            qFatal("the browser did not go on");
                        putDay(d.path, day);
                        return ms;
                    },
                    [](BenchDiary &d, Floor &f) {
                        const ReadingDay day = storedDay(d.path, dateKey(middleDate(d.days)));
                        const double ms = timedCommit(f, "DELETE FROM BLOOD WHERE Bdate = ?1", {day.key.toUtf8()});
                        f.run(kInsertSql, rowParams(day));
                        return ms;
                    }});
    rows.push_back({"Chart Next with its repaint", "bare chart view, same axes, new 31-point group", 11,
                    [](BenchDiary &d, Floor &) {
                        // A chart in use: opened on the middle date and
                        // stepped once each way, untimed, before the timed step.
                        showMiddleDay(d);
                        LineChart *w = openChart(d);
                        click(w->NextGroup);
                        QCoreApplication::processEvents();
                        click(w->Previous);
                        QCoreApplication::processEvents();
                        const QString anchor = w->group().anchor;
                        QElapsedTimer t;
                        t.start();
                        w->NextGroup->click();
                        QCoreApplication::processEvents(); // the chart is painted
                        const double ms = msSince(t);
                        if (w->group().anchor == anchor)
                            qFatal("the chart did not move");
                        d.app.frame->closeWindow(QLatin1String(readingKinds()[0].chartWindow));
                        settle(d);
                        return ms;
                    },
                    [](BenchDiary &, Floor &) { return bareChartStep(); }});
    rows.push_back({"Delete before a date (half the diary)", "one durable DELETE ... WHERE Bdate < ?", 1,
                    [](BenchDiary &d, Floor &) {
                        const QDate target = middleDate(d.days);
                        placeBenchDiary(d.days, d.app.folder());
                        d.browser->load();
                        auto *w = openWindow<DeleteRds>(d, "DeleteRds");
                        w->Bdates->setDate(target);
                        QCoreApplication::processEvents();
                        QElapsedTimer t;
                        t.start();
                        w->DeleteRecords->click();
                        const double ms = msSince(t);
                        settle(d);
                        placeBenchDiary(d.days, d.app.folder());
                        d.browser->load();
                        return ms;
                    },
                    [](BenchDiary &d, Floor &f) {
                        f.place();
                        const double ms = timedCommit(f, "DELETE FROM BLOOD WHERE Bdate < ?1",
                                                      {dateKey(middleDate(d.days)).toUtf8()});
                        f.place();
                        return ms;
                    }});
    return rows;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

int runFloors(int rounds)
{
    const int sizes[] = {100, 36525};
    std::map<int, std::unique_ptr<Floor>> floors;
    for (int days : sizes) {
        diary(days);
        floors[days] = std::make_unique<Floor>(days);
    }
    std::vector<Row> rows = floorRows();
    // [row][size] -> per-round figures of the program and of the floor
    std::map<std::pair<size_t, int>, std::pair<std::vector<double>, std::vector<double>>> figures;
    for (int round = 0; round < rounds; ++round) {
        for (int days : sizes) {
            BenchDiary &d = diary(days);
            Floor &f = *floors[days];
            for (size_t r = 0; r < rows.size(); ++r) {
                std::vector<double> prog, bare;
                for (int s = 0; s < rows[r].samples; ++s) {
                    prog.push_back(rows[r].program(d, f));
                    bare.push_back(rows[r].floor(d, f));
                }
                figures[{r, days}].first.push_back(median(prog));
                figures[{r, days}].second.push_back(median(bare));
            }
        }
        std::fprintf(stderr, "round %d of %d done\n", round + 1, rounds);
    }
    std::printf("| action | dates | program min / median / max (ms) | floor | floor min / median / max (ms) | ratio of "
                "medians |\n");
    std::printf("|---|---:|---:|---|---:|---:|\n");
    for (size_t r = 0; r < rows.size(); ++r)
        for (int days : sizes) {
            const auto &[prog, bare] = figures[{r, days}];
            const auto mmm = [](const std::vector<double> &v) {
                return QStringLiteral("%1 / %2 / %3")
                    .arg(*std::min_element(v.begin(), v.end()), 0, 'f', 3)
                    .arg(median(v), 0, 'f', 3)
                    .arg(*std::max_element(v.begin(), v.end()), 0, 'f', 3);
            };
            std::printf("| %s | %s | %s | %s | %s | %.2f |\n", rows[r].name,
                        qPrintable(QLocale(QLocale::English).toString(days)), qPrintable(mmm(prog)), rows[r].floorName,
                        qPrintable(mmm(bare)), median(prog) / median(bare));
        }
    std::fflush(stdout);
    return 0;
}

void sizes(benchmark::internal::Benchmark *b)
{
    for (int days : kBenchSizes)
        b->Arg(days);
    b->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true)->MinTime(0.05);
}

void printSizes(benchmark::internal::Benchmark *b)
{
    for (int days : kBenchSizes)
        b->Arg(days);
    b->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true)->Iterations(1);
}

} // namespace

BENCHMARK(BM_OpenOnLatestDate)->Apply(sizes);
BENCHMARK(BM_Next)->Apply(sizes);
BENCHMARK(BM_Previous)->Apply(sizes);
BENCHMARK(BM_First)->Apply(sizes);
BENCHMARK(BM_Last)->Apply(sizes);
BENCHMARK(BM_Search)->Apply(sizes);
BENCHMARK(BM_Add)->Apply(sizes);
BENCHMARK(BM_EditReplace)->Apply(sizes);
BENCHMARK(BM_DeleteCurrentDate)->Apply(sizes);
BENCHMARK(BM_DeleteBeforeHalf)->Apply(sizes);
BENCHMARK(BM_DeleteBeforeHalfFloor)->Apply(sizes);
BENCHMARK(BM_ListingNextPage)->Apply(sizes);
BENCHMARK(BM_ListingPreviousPage)->Apply(sizes);
BENCHMARK(BM_ChartLoad)->Apply(sizes);
BENCHMARK(BM_ChartNext)->Apply(sizes);
BENCHMARK(BM_ChartPrevious)->Apply(sizes);
BENCHMARK(BM_StandardDayWholeDiary)->Apply(sizes);
BENCHMARK(BM_CollectRangeSummary)->Apply(sizes);
BENCHMARK(BM_SummaryPageAlone)->Apply(sizes);
BENCHMARK(BM_ReportToPdf)->Apply(printSizes);
BENCHMARK(BM_ReportCommandLine)->Apply(printSizes);
BENCHMARK(BM_ExportCsv)->Apply(printSizes);
BENCHMARK(BM_ImportCsv)->Apply(printSizes);
BENCHMARK(BM_ReportFloorQPainter)->Apply(printSizes);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--floors") == 0) {
            const int rounds = i + 1 < argc ? std::atoi(argv[i + 1]) : 11;
            const int done = runFloors(rounds > 0 ? rounds : 11);
            openDiaries().clear();
            return done;
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    openDiaries().clear();
    benchmark::Shutdown();
    return 0;
}
