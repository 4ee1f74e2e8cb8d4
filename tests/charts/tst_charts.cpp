// The reading charts: the group walks over a diary, and the eight chart
// windows opened from the Graphs menu.

#include "charts/LineChart.h"
#include "core/ChartGroup.h"
#include "core/Database.h"
#include "core/ReadingKind.h"
#include "listing/Display.h"
#include "opening/SelectDbase.h"
#include "readings/CurrReading.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QLineSeries>

namespace {

const QDate kFirstDay(2013, 1, 1);

QString keyOf(int day) { return kFirstDay.addDays(day - 1).toString(QStringLiteral("yyyy-MM-dd")); }
QString labelOf(int day) { return QLocale().toString(kFirstDay.addDays(day - 1), QStringLiteral("M/d/yyyy")); }

// Days 1..count; the first kind (Pre-Breakfast) reads 100 + day, except on
// the days listed, where it is missing. The other kinds read 50 + kind.
QList<ReadingDay> diaryDays(int count, const QList<int> &missing = {})
{
    QList<ReadingDay> days;
    for (int d = 1; d <= count; ++d) {
        QStringList values{missing.contains(d) ? QString() : QString::number(100 + d)};
        for (int k = 1; k < kReadingKinds; ++k)
            values << QString::number(50 + k);
        days << makeDay(keyOf(d), values);
    }
    return days;
}

// The day numbers whose readings a group plots, in point order.
QList<int> plottedDays(const ChartGroup &g)
{
    QList<int> out;
    for (const ChartPoint &p : g.points)
        if (!p.label.isEmpty())
            out << int(kFirstDay.daysTo(QLocale().toDate(p.label, QStringLiteral("M/d/yyyy")))) + 1;
    return out;
}

QList<int> days(int from, int to, const QList<int> &skip = {})
{
    QList<int> out;
    for (int d = from; d <= to; ++d)
        if (!skip.contains(d))
            out << d;
    return out;
}

struct App : TestApp {
    // Windows closed during a test go before the frame does.
    ~App() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

} // namespace

class TestCharts : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    int files = 0;

    QString diaryOf(const QList<ReadingDay> &days)
    {
        const QString p = dir.path() + QStringLiteral("/Chart %1.bcl").arg(++files);
        writeDiary(p, days);
        return p;
    }

    // Runs one walk on a fresh cursor over the diary, as a click does.
    template <class Walk> static auto walk(const QString &path, Walk &&w)
    {
        Database db = Database::open(path, Database::Access::ReadOnly);
        Cursor c(db);
        return w(c);
    }

    static ChartGroup first(const QString &path, int startDay, int kind = 0)
    {
        return walk(path, [&](Cursor &c) { return firstGroup(c, kind, keyOf(startDay)); });
    }

    // Next and Previous as a click runs them; `g` becomes what they give.
    static GroupStep next(const QString &path, ChartGroup &g)
    {
        const GroupOutcome out = walk(path, [&](Cursor &c) { return nextGroup(c, 0, g); });
        g = out.group;
        return out.step;
    }
    static GroupStep previous(const QString &path, ChartGroup &g)
    {
        const GroupOutcome out = walk(path, [&](Cursor &c) { return previousGroup(c, 0, g); });
        g = out.group;
        return out.step;
    }

    // Opens the diary of these days, shows `shownDay` in the browser and
    // chooses the Graphs item of `kind`.
    LineChart *openChart(App &app, const QList<ReadingDay> &diary, int shownDay, int kind = 0)
    {
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), diary);
        CurrReading *browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        if (!browser)
            return nullptr;
        browser->showDay(diary.at(shownDay - 1));
        app.frame->action(QLatin1String(readingKinds()[size_t(kind)].menuName))->trigger();
        return app.window<LineChart>(readingKinds()[size_t(kind)].chartWindow);
    }

    static bool menusEnabled(App &app)
    {
        for (const char *name : {"mniFile", "mnuUtilities", "mnuGraphs"})
            if (!app.frame->menu(QLatin1String(name))->menuAction()->isEnabled())
                return false;
        return true;
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void readingTextGivesItsLeadingNumber()
    {
        QCOMPARE(leadingNumber(QStringLiteral("120.5")), 120.5);
        QCOMPARE(leadingNumber(QStringLiteral("95")), 95.0);
        QCOMPARE(leadingNumber(QStringLiteral("007")), 7.0);
        QCOMPARE(leadingNumber(QStringLiteral("1.2.3")), 1.2);
        QCOMPARE(leadingNumber(QStringLiteral("12.")), 12.0);
        QCOMPARE(leadingNumber(QStringLiteral(".5")), 0.5);
        QCOMPARE(leadingNumber(QStringLiteral(".")), 0.0);
        QCOMPARE(leadingNumber(QStringLiteral("..")), 0.0);
        QCOMPARE(leadingNumber(QString()), 0.0);
    }

    void firstGroupHoldsThirtyOneConsecutiveReadings()
    {
        const QString p = diaryOf(diaryDays(60));
        const ChartGroup g = first(p, 5);
        QCOMPARE(plottedDays(g), days(5, 35));
        QCOMPARE(g.lineCount, 31);
        QCOMPARE(g.anchor, keyOf(35));
        QCOMPARE(g.points[0], (ChartPoint{labelOf(5), 105}));
        QCOMPARE(g.points[30], (ChartPoint{labelOf(35), 135}));
        // Another kind reads its own field.
        QCOMPARE(first(p, 5, 3).points[0].value, 53.0);
    }

    void datesWithoutTheReadingTakeNoPoint()
    {
        const QList<int> missing{7, 8, 20};
        const QString p = diaryOf(diaryDays(60, missing));
        const ChartGroup g = first(p, 5);
        QCOMPARE(plottedDays(g), days(5, 38, missing)); // 31 points over 34 dates
        QCOMPARE(g.anchor, keyOf(38));
    }

    void shortGroupEndsInZerosWithoutDates()
    {
        const QString p = diaryOf(diaryDays(40, {39}));
        ChartGroup g = first(p, 30);
        QCOMPARE(plottedDays(g), days(30, 40, {39}));
        QCOMPARE(g.lineCount, 10);
        for (int i = 10; i < kChartPoints; ++i)
            QCOMPARE(g.points[size_t(i)], ChartPoint{});
        // Next refuses a group that is not full.
        const ChartGroup before = g;
        QCOMPARE(next(p, g), GroupStep::Refused);
        QCOMPARE(g, before);
    }

    void nextGoesOnAfterTheAnchorUntilTheLastDate()
    {
        const QString p = diaryOf(diaryDays(93, {40, 41}));
        ChartGroup g = first(p, 1);
        QCOMPARE(next(p, g), GroupStep::Drawn);
        QCOMPARE(plottedDays(g), days(32, 64, {40, 41}));
        QCOMPARE(g.anchor, keyOf(64));
        QCOMPARE(next(p, g), GroupStep::Drawn);
        QCOMPARE(plottedDays(g), days(65, 93));
        QCOMPARE(g.lineCount, 29);
        QCOMPARE(g.points[30], ChartPoint{});

        // A full group that ends on the last stored date: refused, unchanged.
        const QString q = diaryOf(diaryDays(31));
        ChartGroup last = first(q, 1);
        const ChartGroup before = last;
        QCOMPARE(next(q, last), GroupStep::Refused);
        QCOMPARE(last, before);
    }

    void previousFromTheFirstDateDrawsTheSameGroupAgain()
    {
        const QString p = diaryOf(diaryDays(50));
        ChartGroup g = first(p, 1);
        const ChartGroup before = g;
        QCOMPARE(previous(p, g), GroupStep::DrawnFromFirst);
        QCOMPARE(g, before);
    }

    void previousAfterNextShowsTheEarlierGroupAgain()
    {
        const QList<int> missing{3, 17, 18, 40, 66, 67, 68, 90, 121};
        const QString p = diaryOf(diaryDays(150, missing));
        for (int start : {1, 10, 31, 45}) {
            ChartGroup g = first(p, start);
            const ChartGroup shown = g;
            QCOMPARE(next(p, g), GroupStep::Drawn);
            const ChartGroup afterNext = g;
            QCOMPARE(previous(p, g), GroupStep::Drawn);
            QCOMPARE(plottedDays(g), plottedDays(shown));
            QCOMPARE(g.points, shown.points);
            // ... and Next from there the later group again.
            QCOMPARE(next(p, g), GroupStep::Drawn);
            QCOMPARE(g.points, afterNext.points);
        }
        // After a short last group, Previous goes back by its readings plus 31.
        ChartGroup g = first(p, 100);
        next(p, g);
        QCOMPARE(plottedDays(g), days(132, 150));
        QCOMPARE(g.lineCount, 19);
        QCOMPARE(previous(p, g), GroupStep::Drawn);
        QCOMPARE(plottedDays(g), days(100, 131, {121}));
    }

    void trailingDateWithoutReadingCountsAsTheAnchor()
    {
        // Readings on days 1..100; day 101 has none for this kind.
        const QString p = diaryOf(diaryDays(101, {101}));
        ChartGroup g = first(p, 90);
        QCOMPARE(plottedDays(g), days(90, 100));
        QCOMPARE(g.anchor, keyOf(101));
        QCOMPARE(g.lineCount, 11);
        // 11 + 31 = 42 counted back from day 101 (as 1) ends on day 60, one
        // reading later than a count from day 100 would.
        QCOMPARE(previous(p, g), GroupStep::Drawn);
        QCOMPARE(plottedDays(g), days(60, 90));
    }

    void previousLeavesPointsPastTheLastReadingAsTheyWere()
    {
        const QString p = diaryOf(diaryDays(10));
        ChartGroup g;
        g.points.fill(ChartPoint{QStringLiteral("earlier"), 5});
        g.anchor = keyOf(10);
        g.lineCount = 31;
        QCOMPARE(previous(p, g), GroupStep::DrawnFromFirst);
        QCOMPARE(g.lineCount, 10);
        QCOMPARE(g.points[9], (ChartPoint{labelOf(10), 110}));
        QCOMPARE(g.points[10], (ChartPoint{QStringLiteral("earlier"), 5}));
        QCOMPARE(g.points[30], (ChartPoint{QStringLiteral("earlier"), 5}));
    }

    void walksGoOnWhenDatesVanishMeanwhile()
    {
        const QString p = diaryOf(diaryDays(80));
        ChartGroup g = first(p, 1);
        {
            Database db = Database::open(p);
            Cursor c(db);
            c.seek(SeekOp::Equal, keyOf(31)); // the anchor
            c.remove();
            c.seek(SeekOp::Equal, keyOf(5));
            c.remove();
        }
        QCOMPARE(next(p, g), GroupStep::Drawn);
        QCOMPARE(plottedDays(g).first(), 32);
        QCOMPARE(plottedDays(first(p, 5)).first(), 6);

        ChartGroup gone;
        gone.anchor = keyOf(31);
        gone.lineCount = 1;
        QCOMPARE(previous(p, gone), GroupStep::DrawnFromFirst);
        QCOMPARE(plottedDays(gone).first(), 1);

        const QString empty = diaryOf({});
        ChartGroup none = first(empty, 1);
        QCOMPARE(none.lineCount, 0);
        QCOMPARE(none.points[0], ChartPoint{});
        QCOMPARE(previous(empty, none), GroupStep::Unchanged);
        none.lineCount = 31;
        QCOMPARE(next(empty, none), GroupStep::Refused);
    }

    void eachGraphsItemOpensItsOwnKind()
    {
        App app;
        QList<ReadingDay> diary;
        for (int d = 1; d <= 3; ++d) {
            QStringList values;
            for (int k = 0; k < kReadingKinds; ++k)
                values << QString::number(10 * (k + 1) + d);
            diary << makeDay(keyOf(d), values);
        }
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), diary);
        CurrReading *browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        QVERIFY(browser);
        app.click("CurrReading", "MoveFirst");
        for (int k = 0; k < kReadingKinds; ++k) {
            const ReadingKind &kind = readingKinds()[size_t(k)];
            app.frame->action(QLatin1String(kind.menuName))->trigger();
            auto *w = app.window<LineChart>(kind.chartWindow);
            QVERIFY2(w, kind.chartWindow);
            QCOMPARE(w->windowTitle(), QLatin1String(kind.chartCaption));
            QCOMPARE(w->chartView()->chart()->title(), QLatin1String(kind.chartCaption));
            QCOMPARE(w->group().points[0], (ChartPoint{labelOf(1), 10.0 * (k + 1) + 1}));
            QCOMPARE(w->group().points[2].value, 10.0 * (k + 1) + 3);
            QCOMPARE(w->LineCount->text(), QStringLiteral("3"));
            QVERIFY(!browser->isEnabled());
            QVERIFY(!menusEnabled(app));
            app.click(kind.chartWindow, "Exit");
            QVERIFY(!app.window<LineChart>(kind.chartWindow));
            QVERIFY(browser->isEnabled());
            QVERIFY(menusEnabled(app));
        }
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void chartShowsTheGroupAndStepsWithTheButtons()
    {
        App app;
        LineChart *w = openChart(app, diaryDays(70, {12}), 1);
        QVERIFY(w);
        QVERIFY(app.shown("BfastLine"));
        const QByteArray stored = bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        QCOMPARE(w->LineCount->text(), QStringLiteral("31"));
        QCOMPARE(w->Bdate->text(), keyOf(32));
        QVERIFY(!w->Bdate->isVisible());
        QVERIFY(!w->LineCount->isVisible());

        // The series and the date axis show the group's points.
        auto *series = qobject_cast<QLineSeries *>(w->chartView()->chart()->series().value(0));
        QVERIFY(series);
        QCOMPARE(series->count(), kChartPoints);
        QCOMPARE(series->at(0).y(), 101.0);
        QCOMPARE(series->at(11).y(), 113.0); // day 12 has no reading
        auto *axis = qobject_cast<QCategoryAxis *>(w->chartView()->chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->categoriesLabels().size(), kChartPoints);
        QCOMPARE(axis->categoriesLabels().at(11), labelOf(13));
        QCOMPARE(axis->titleText(), QStringLiteral("Date Of Reading"));
        QCOMPARE(w->chartView()->chart()->axes(Qt::Vertical).value(0)->titleText(),
                 QStringLiteral("Blood Sugar Level"));

        app.click("BfastLine", "NextGroup");
        QCOMPARE(plottedDays(w->group()), days(33, 63));
        QCOMPARE(series->at(0).y(), 133.0);
        app.click("BfastLine", "NextGroup");
        QCOMPARE(plottedDays(w->group()), days(64, 70));
        QCOMPARE(series->at(7).y(), 0.0);
        QCOMPARE(axis->categoriesLabels().at(7).trimmed(), QString());
        QCOMPARE(app.fakes.messages.beeps, 0);

        // The last group is short: Next beeps and changes nothing.
        const ChartGroup last = w->group();
        app.click("BfastLine", "NextGroup");
        QCOMPARE(app.fakes.messages.beeps, 1);
        QCOMPARE(w->group(), last);

        app.click("BfastLine", "Previous");
        QCOMPARE(plottedDays(w->group()), days(33, 63));
        app.click("BfastLine", "Previous");
        QCOMPARE(plottedDays(w->group()), days(1, 32, {12}));
        QCOMPARE(app.fakes.messages.beeps, 1);
        app.click("BfastLine", "Previous"); // runs into the first date
        QCOMPARE(app.fakes.messages.beeps, 2);
        QCOMPARE(plottedDays(w->group()), days(1, 32, {12}));

        // Print leaves the chart as it is.
        app.click("BfastLine", "PrintChart");
        QCOMPARE(plottedDays(w->group()), days(1, 32, {12}));
        QVERIFY(app.fakes.messages.shown.isEmpty());

        // Every date label stays whole, also when the chart gets little room.
        QCoreApplication::processEvents();
        QVERIFY(!axis->labelsTruncated());
        w->chartView()->setMinimumSize(200, 150);
        w->chartView()->resize(200, 150);
        QCoreApplication::processEvents();
        QVERIFY(!axis->labelsTruncated());

        // The chart only reads the diary.
        app.click("BfastLine", "Exit");
        QCOMPARE(bytesOf(app.pathOf(QStringLiteral("Ann Smith.bcl"))), stored);
    }

    void noDateShownOpensNoChart()
    {
        App app;
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), {});
        QVERIFY(app.openDiary(QStringLiteral("Ann Smith.bcl")));
        for (const ReadingKind &kind : readingKinds()) {
            QAction *item = app.frame->action(QLatin1String(kind.menuName));
            QVERIFY(item->isEnabled());
            item->trigger();
            QVERIFY(!app.window<LineChart>(kind.chartWindow));
        }
        QVERIFY(menusEnabled(app));
    }

    void unreadableDiaryEndsWithAMessage()
    {
        App app;
        LineChart *w = openChart(app, diaryDays(80), 1);
        QVERIFY(w);
        const ChartGroup shown = w->group();
        QFile f(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a diary at all");
        f.close();
        app.click("BfastLine", "NextGroup");
        app.click("BfastLine", "Previous");
        QCOMPARE(app.fakes.messages.shown.size(), 2);
        QVERIFY(app.fakes.messages.lastText().startsWith(QStringLiteral("The diary could not be read.")));
        QCOMPARE(w->group(), shown);

        // Opening a chart on it fails with the message and locks nothing.
        app.click("BfastLine", "Exit");
        app.frame->action(QStringLiteral("mnuGraphsAfastLine"))->trigger();
        QCOMPARE(app.fakes.messages.shown.size(), 3);
        QVERIFY(!app.window<LineChart>("AfastLine"));
        QVERIFY(app.window<CurrReading>("CurrReading")->isEnabled());
        QVERIFY(menusEnabled(app));
    }
};

QTEST_MAIN(TestCharts)
#include "tst_charts.moc"
