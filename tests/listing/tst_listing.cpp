// The paged listing: its page walks over a diary, and the window driven from
// the browser's "Print To Screen".

#include "core/Database.h"
#include "core/ListingPage.h"
#include "listing/Display.h"
#include "opening/SelectDbase.h"
#include "readings/CurrReading.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString keyOf(int dayNumber) // day 1 is 2013-01-01
{
    return QDate(2013, 1, 1).addDays(dayNumber - 1).toString(QStringLiteral("yyyy-MM-dd"));
}

// The day numbers a page holds, counted from 1 = 2013-01-01.
QList<int> dayNumbers(const ListingPage &page)
{
    QList<int> out;
    for (const ReadingDay &d : page.rows)
        out << int(QDate(2013, 1, 1).daysTo(QDate::fromString(d.key, QStringLiteral("yyyy-MM-dd")))) + 1;
    return out;
}

// The test app, letting the windows closed during a test go before the frame
// itself goes: the frame must still be whole when they report their end.
struct App : TestApp {
    ~App() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

QList<int> range(int from, int to)
{
    QList<int> out;
    for (int i = from; i <= to; ++i)
        out << i;
    return out;
}

// The day numbers on the window's canvas, read from the dates drawn at x = 0.
QList<int> shownDays(const listing::Display *w)
{
    QList<int> out;
    for (const ListingText &t : w->Picture1->texts())
        if (t.x == 0)
            out << int(QDate(2013, 1, 1).daysTo(QLocale().toDate(t.text, QStringLiteral("M/d/yyyy")))) + 1;
    return out;
}

} // namespace

class TestListing : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return diaryPath(dir.path(), name); }

    // A diary of `count` consecutive days from 2013-01-01.
    QString diaryOf(int count)
    {
        const QString p = path(QStringLiteral("Days %1.bcl").arg(count));
        if (!QFile::exists(p))
            writeDiary(p, consecutiveDays(count));
        return p;
    }

    // Opens a diary of `count` days in a test app and shows day `shown` in the
    // browser, then clicks "Print To Screen".
    listing::Display *openListing(TestApp &app, int count, int shown)
    {
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), consecutiveDays(count));
        CurrReading *browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        if (!browser)
            return nullptr;
        browser->showDay(consecutiveDays(count).at(shown - 1));
        app.click("CurrReading", "PrtToScr");
        return app.window<listing::Display>("Display");
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void rowIsDrawnInItsColumnsAsStored()
    {
        const ReadingDay day = makeDay(QStringLiteral("2013-09-17"), {"120.5", "", "95", "", "", "", "", "7"});
        const QList<ListingText> row = DrawListingRow(3, day);
        const QList<ListingText> expected{{0, 3, "9/17/2013"}, {11, 3, "120.5"}, {20, 3, "-"},
                                          {30, 3, "95"},       {38, 3, "-"},     {46, 3, "-"},
                                          {55, 3, "-"},        {64, 3, "-"},     {72, 3, "7"}};
        QCOMPARE(row, expected);
    }

    void firstPageStartsAtTheShownDate()
    {
        Database db = Database::open(diaryOf(40));
        Cursor c(db);
        QCOMPARE(dayNumbers(firstListingPage(c, keyOf(40))), QList<int>{40});
        QCOMPARE(dayNumbers(firstListingPage(c, keyOf(25))), range(25, 40));
        const ListingPage full = firstListingPage(c, keyOf(3));
        QCOMPARE(dayNumbers(full), range(3, 18));
        QVERIFY(full.full());
        QCOMPARE(full.lastDate(), keyOf(18));
        QCOMPARE(full.rows.first(), consecutiveDays(40).at(2)); // every reading comes along
    }

    void nextPageGoesOnAfterTheLastDateDrawn()
    {
        Database db = Database::open(diaryOf(40));
        Cursor c(db);
        QCOMPARE(dayNumbers(*nextListingPage(c, keyOf(18))), range(19, 34));
        QCOMPARE(dayNumbers(*nextListingPage(c, keyOf(34))), range(35, 40));
        // A full page that ends on the last stored date has no page after it.
        QVERIFY(!nextListingPage(c, keyOf(40)));
        QVERIFY(!nextListingPage(c, QStringLiteral("2099-12-31")));
    }

    void previousPageCountsBackFromTheLastDate()
    {
        Database db = Database::open(diaryOf(40));
        Cursor c(db);
        // First page shows date 40 alone: back to 24..39, then 9..24, then 9..24 again.
        ListingPage page = previousListingPage(c, 1);
        QCOMPARE(dayNumbers(page), range(24, 39));
        page = previousListingPage(c, page.lineCount());
        QCOMPARE(dayNumbers(page), range(9, 24));
        page = previousListingPage(c, page.lineCount());
        QCOMPARE(dayNumbers(page), range(9, 24));
        // From a short last page of six lines: 40 - (6 + 15) = 19.
        QCOMPARE(dayNumbers(previousListingPage(c, 6)), range(19, 34));
    }

    void previousPageOfAShortDiaryStartsAtTheFirstDate()
    {
        for (int count : {1, 2, 16, 17}) {
            Database db = Database::open(diaryOf(count));
            Cursor c(db);
            for (int lines : {1, 16})
                QCOMPARE(dayNumbers(previousListingPage(c, lines)), range(1, std::min(count, 16)));
        }
        // Eighteen dates: one line back from the last date stops at date 2.
        Database db = Database::open(diaryOf(18));
        Cursor c(db);
        QCOMPARE(dayNumbers(previousListingPage(c, 1)), range(2, 17));
    }

    void pagesKeepGoingWhenDatesVanishMeanwhile()
    {
        const QString p = path(QStringLiteral("Vanishing.bcl"));
        writeDiary(p, consecutiveDays(20));
        Database db = Database::open(p);
        Cursor c(db);
        c.seek(SeekOp::Equal, keyOf(16));
        c.remove();
        c.seek(SeekOp::Equal, keyOf(5));
        c.remove();
        // The last date drawn and the browser's date are gone: the walk goes on
        // from the next stored date instead of failing.
        QCOMPARE(dayNumbers(*nextListingPage(c, keyOf(16))), range(17, 20));
        QCOMPARE(dayNumbers(firstListingPage(c, keyOf(5))).first(), 6);

        const QString empty = path(QStringLiteral("Emptied.bcl"));
        writeDiary(empty, {});
        Database db2 = Database::open(empty);
        Cursor e(db2);
        QCOMPARE(previousListingPage(e, 16).lineCount(), 0);
        QCOMPARE(firstListingPage(e, keyOf(1)).lineCount(), 0);
        QVERIFY(!nextListingPage(e, keyOf(1)));
    }

    void openingAtTheLastDateShowsOneLineAndDisablesTheBrowser()
    {
        App app;
        writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), consecutiveDays(40));
        CurrReading *browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        QVERIFY(browser);
        QFile diary(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        QVERIFY(diary.open(QIODevice::ReadOnly));
        const QByteArray stored = diary.readAll();
        app.click("CurrReading", "PrtToScr"); // the browser opens on its latest date
        auto *w = app.window<listing::Display>("Display");
        QVERIFY(w);
        QVERIFY(app.shown("Display"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Display Database"));
        QVERIFY(!browser->isEnabled());
        QCOMPARE(shownDays(w), QList<int>{40});
        QCOMPARE(w->LineCount->text(), QStringLiteral("1"));
        QCOMPARE(w->LastDate->text(), keyOf(40));
        QVERIFY(!w->LastDate->isVisible());
        QVERIFY(!w->LineCount->isVisible());

        // Next Page on a page of fewer than sixteen lines does nothing.
        app.click("Display", "NextPage");
        QCOMPARE(shownDays(w), QList<int>{40});
        QCOMPARE(app.fakes.messages.beeps, 0);

        // Previous Page counts back from the last date, then stays.
        app.click("Display", "Previous");
        QCOMPARE(shownDays(w), range(24, 39));
        app.click("Display", "Previous");
        QCOMPARE(shownDays(w), range(9, 24));
        app.click("Display", "Previous");
        QCOMPARE(shownDays(w), range(9, 24));
        QVERIFY(app.fakes.messages.shown.isEmpty());

        // The listing only reads the diary.
        QFile file(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), stored);

        // Opening it again while it is open leaves the one window as it is.
        QCOMPARE(app.frame->openWindow(QStringLiteral("Display")), w);
        QCOMPARE(shownDays(w), range(9, 24));

        app.click("Display", "CloseDisplay");
        QVERIFY(!app.window<listing::Display>("Display"));
        QVERIFY(browser->isEnabled());
    }

    void nextPageWalksForwardToTheEnd()
    {
        App app;
        listing::Display *w = openListing(app, 40, 3);
        QVERIFY(w);
        QCOMPARE(shownDays(w), range(3, 18));
        QCOMPARE(w->LineCount->text(), QStringLiteral("16"));
        // The hidden boxes only mirror the page: what is written into them
        // does not steer the paging.
        w->LineCount->setText(QStringLiteral("3"));
        w->LastDate->setText(keyOf(30));
        app.click("Display", "NextPage");
        QCOMPARE(shownDays(w), range(19, 34));
        QCOMPARE(w->LastDate->text(), keyOf(34));
        app.click("Display", "NextPage");
        QCOMPARE(shownDays(w), range(35, 40));
        app.click("Display", "NextPage");
        QCOMPARE(shownDays(w), range(35, 40));
        // The keyboard turns the pages too.
        QTest::keyClick(w->NextPage, Qt::Key_PageUp);
        QCOMPARE(shownDays(w), range(19, 34));
        QTest::keyClick(w->NextPage, Qt::Key_PageDown);
        QCOMPARE(shownDays(w), range(35, 40));
    }

    void fullPageEndingOnTheLastDateStaysOnNext()
    {
        App app;
        listing::Display *w = openListing(app, 32, 17);
        QVERIFY(w);
        QCOMPARE(shownDays(w), range(17, 32));
        app.click("Display", "NextPage");
        QCOMPARE(shownDays(w), range(17, 32));
        QCOMPARE(w->LineCount->text(), QStringLiteral("16"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void missingReadingIsDrawnAsADash()
    {
        App app;
        writeDiary(
            app.pathOf(QStringLiteral("Ann Smith.bcl")),
            {makeDay("2013-01-01", {"90", "", "110"}), makeDay("2013-01-02", {"", "", "", "", "", "", "", "88"})});
        CurrReading *browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        QVERIFY(browser);
        app.click("CurrReading", "MoveFirst");
        app.click("CurrReading", "PrtToScr");
        auto *w = app.window<listing::Display>("Display");
        QVERIFY(w);
        const QList<ListingText> texts = w->Picture1->texts();
        QCOMPARE(texts.size(), 18);
        QCOMPARE(texts[2], (ListingText{20, 0, "-"}));
        QCOMPARE(texts[10], (ListingText{11, 1, "-"}));
        QCOMPARE(texts[17], (ListingText{72, 1, "88"}));
    }

    void startsFocusedOnNextPageWithButtonsInTabOrder()
    {
        App app;
        listing::Display *w = openListing(app, 5, 1);
        QVERIFY(w);
        QCOMPARE(w->focusProxy(), w->NextPage);
        QCOMPARE(w->NextPage->nextInFocusChain(), w->Previous);
        QCOMPARE(w->Previous->nextInFocusChain(), w->CloseDisplay);
        // Left to right the row reads Exit, Previous, Next.
        QVERIFY(w->CloseDisplay->x() < w->Previous->x());
        QVERIFY(w->Previous->x() < w->NextPage->x());
    }

    void textsFitTheirColumnsAndStayDrawn()
    {
        App app;
        writeDiary(
            app.pathOf(QStringLiteral("Ann Smith.bcl")),
            {makeDay("2088-12-28", {"888888", "000000", "888.88", "888888", "888888", "888888", "888888", "888888"})});
        QVERIFY(app.openDiary(QStringLiteral("Ann Smith.bcl")));
        app.click("CurrReading", "PrtToScr");
        auto *w = app.window<listing::Display>("Display");
        QVERIFY(w);
        ListingCanvas *canvas = w->Picture1;
        const QFontMetrics fm(canvas->font());
        const QList<ListingText> texts = canvas->texts();
        for (int i = 0; i < texts.size(); ++i) {
            const int right = canvas->columnX(texts[i].x) + fm.horizontalAdvance(texts[i].text);
            const int limit = i + 1 < texts.size() ? canvas->columnX(texts[i + 1].x) : canvas->contentsRect().right();
            QVERIFY2(right < limit, qPrintable(texts[i].text));
        }
        // Sixteen lines fit the canvas.
        QVERIFY(canvas->contentsRect().height() >= 16 * fm.height());

        // What is drawn is drawn again from the page kept, and cleared with it.
        const QImage drawn = canvas->grab().toImage();
        canvas->clear();
        const QImage blank = canvas->grab().toImage();
        QVERIFY(drawn != blank);
        ListingPage page;
        {
            Database db = Database::open(app.pathOf(QStringLiteral("Ann Smith.bcl")));
            Cursor c(db);
            page = firstListingPage(c, QStringLiteral("2088-12-28"));
        }
        canvas->setPage(page);
        QCOMPARE(canvas->grab().toImage(), drawn);
    }

    void unreadableDiaryEndsWithAMessage()
    {
        App app;
        listing::Display *w = openListing(app, 40, 3);
        QVERIFY(w);
        // The file goes bad while the listing is open.
        QFile f(app.pathOf(QStringLiteral("Ann Smith.bcl")));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("not a diary at all");
        f.close();
        app.click("Display", "NextPage");
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        QVERIFY(app.fakes.messages.lastText().startsWith(QStringLiteral("The diary could not be read.")));
        QCOMPARE(shownDays(w), range(3, 18)); // the page stays
        app.click("Display", "Previous");
        QCOMPARE(app.fakes.messages.shown.size(), 2);
        QCOMPARE(shownDays(w), range(3, 18));

        // Opening it afresh fails with the message and leaves the browser usable.
        app.click("Display", "CloseDisplay");
        app.click("CurrReading", "PrtToScr");
        QCOMPARE(app.fakes.messages.shown.size(), 3);
        QVERIFY(!app.window<listing::Display>("Display"));
        QVERIFY(app.window<CurrReading>("CurrReading")->isEnabled());
    }
};

QTEST_MAIN(TestListing)
#include "tst_listing.moc"
