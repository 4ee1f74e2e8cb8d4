// The other reads of a diary that loaded in the browser: the listing's pages
// (the first from the shown day, the next, the previous), a chart's groups
// (the first, the next, the previous) and the report's walk over a range.
// Each opens the diary for reading as its window does. Whatever the file
// holds, a walk either returns whole days or ends in StoreError,
// which the window turns into a message. Any other way out (a crash, a hang,
// another exception, a sanitizer report) is a fault.

#include "Scratch.h"
#include "core/ChartGroup.h"
#include "core/Database.h"
#include "core/ListingPage.h"
#include "core/RangeSummary.h"

#include <cstdlib>
#include <optional>

namespace {

void require(bool sound)
{
    if (!sound)
        std::abort();
}

void checkPage(const ListingPage &page)
{
    require(page.lineCount() <= kListingLines);
    for (int i = 0; i < page.lineCount(); ++i) {
        const ReadingDay &day = page.rows[i];
        require(!day.key.isEmpty());
        for (const QString &r : day.readings)
            require(!r.isEmpty());
    }
}

void checkGroup(const ChartGroup &group) { require(group.lineCount >= 0 && group.lineCount <= kChartPoints); }

// Each walk takes a cursor of its own, as each click of a window does (the
// windows open the diary afresh too; one opening here leaves more time for
// the walks). A walk that fails leaves the next ones to try.
template <class Walk> void walk(Database &db, Walk &&step)
{
    try {
        Cursor cursor(db);
        step(cursor);
    } catch (const StoreError &) {
        // The window's message.
    }
}

void walkAll(Database &db, int kind)
{
    // The day the browser shows: the day before the last stored one, where
    // the walks have more to read; a fixed date on an empty diary.
    QString shown = QStringLiteral("2013-01-01");
    walk(db, [&](Cursor &c) {
        if (!c.eof()) {
            c.moveLast();
            shown = c.key();
            c.movePrevious();
            if (!c.bof())
                shown = c.key();
        }
    });

    ListingPage first;
    walk(db, [&](Cursor &c) { first = firstListingPage(c, QStringLiteral("2000-01-01")); });
    checkPage(first);
    walk(db, [&](Cursor &c) { checkPage(firstListingPage(c, shown)); });
    walk(db, [&](Cursor &c) {
        if (const auto next = nextListingPage(c, first.lastDate()))
            checkPage(*next);
    });
    walk(db, [&](Cursor &c) { checkPage(previousListingPage(c, first.lineCount())); });

    ChartGroup group;
    walk(db, [&](Cursor &c) { group = firstGroup(c, kind, QStringLiteral("2000-01-01")); });
    checkGroup(group);
    GroupOutcome next{GroupStep::Unchanged, group};
    walk(db, [&](Cursor &c) { next = nextGroup(c, kind, group); });
    checkGroup(next.group);
    walk(db, [&](Cursor &c) { checkGroup(previousGroup(c, kind, next.group).group); });

    std::optional<qint64> walked;
    walk(db, [&](Cursor &c) {
        const CollectedRange range = CollectRangeSummary(c, QStringLiteral("2000-01-01"), shown);
        require(range.summary.has_value() == (range.content == RangeContent::Dates));
        if (const auto &summary = range.summary) {
            require(summary->lines > 0 && summary->pages > 0);
            for (const KindSummary &k : summary->kinds)
                require(k.Count >= 0 && k.Count <= summary->lines);
        }
        walked = range.summary ? range.summary->lines : 0;
    });
    // The report counts its lines before its one walk prints them: the count
    // meets the rows the walk meets, and fails where the walk fails.
    std::optional<qint64> counted;
    walk(db, [&](Cursor &c) {
        c.seek(SeekOp::AtLeast, QStringLiteral("2000-01-01"));
        counted = c.noMatch() ? 0 : c.countThrough(shown);
    });
    require(walked == counted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = scratchFolder() + QStringLiteral("/Fuzz Reads.bcl");
    removeWithJournals(path);
    writeInput(path, data, size);
    try {
        Database db = Database::open(path, Database::Access::ReadOnly);
        walkAll(db, int(size % kReadingKinds));
    } catch (const StoreError &) {
        // The browser never showed it.
    }
    return 0;
}
