// The other reads of a diary that loaded in the browser: the listing's pages
// (the first from the shown day, the next, the previous), a chart's groups
// (the first, the next, the previous) and the report's walk over a range.
// Each opens the diary for reading as its window does. Whatever the file
// holds, a walk either returns whole days or ends in StoreError,
// which the window turns into a message. Any other way out (a crash, a hang,
// another exception, a sanitizer report) is a fault.

#include "Scratch.h"
#include "charts/ChartGroup.h"
#include "listing/ListingPage.h"
#include "platform/Services.h"
#include "reports/RangeSummary.h"
#include "store/Database.h"

#include <cstdlib>

namespace {

// The report tells "no readings" through the message service; nothing is
// shown here.
class SilentMessages final : public MessageService {
public:
    MsgAnswer show(QWidget *, const QString &, const QString &, MsgIcon, MsgButtons) override { return MsgAnswer::Ok; }
    void beep() override {}
};

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

void checkGroup(const ChartGroup &group)
{
    require(group.lineCount >= 0 && group.lineCount <= kChartPoints);
}

// Every walk opens the diary afresh, as every click of its window does.
template <class Walk> void onDiary(const QString &path, Walk &&walk)
{
    try {
        Database db = Database::open(path, Database::Access::ReadOnly);
        Cursor cursor(db);
        walk(cursor);
    } catch (const StoreError &) {
        // The window's message.
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = scratchFolder() + QStringLiteral("/Fuzz Reads.bcl");
    static SilentMessages messages;
    static Services services{&messages};
    removeWithJournals(path);
    writeInput(path, data, size);

    // The day the browser shows: the last stored one, else a fixed date.
    QString shown = QStringLiteral("2013-01-01");
    onDiary(path, [&](Cursor &c) {
        if (!c.eof()) {
            c.moveLast();
            shown = c.key();
            // Start a little before it, where the walks have more to read.
            c.movePrevious();
            if (!c.bof())
                shown = c.key();
        }
    });
    const int kind = int(size % kReadingKinds);

    ListingPage first;
    onDiary(path, [&](Cursor &c) { first = firstListingPage(c, QStringLiteral("2000-01-01")); });
    checkPage(first);
    onDiary(path, [&](Cursor &c) { checkPage(firstListingPage(c, shown)); });
    onDiary(path, [&](Cursor &c) {
        if (const auto next = nextListingPage(c, first.lastDate()))
            checkPage(*next);
    });
    onDiary(path, [&](Cursor &c) { checkPage(previousListingPage(c, first.lineCount())); });

    ChartGroup group;
    onDiary(path, [&](Cursor &c) { group = firstGroup(c, kind, QStringLiteral("2000-01-01")); });
    checkGroup(group);
    GroupOutcome next{GroupStep::Unchanged, group};
    onDiary(path, [&](Cursor &c) { next = nextGroup(c, kind, group); });
    checkGroup(next.group);
    onDiary(path, [&](Cursor &c) { checkGroup(previousGroup(c, kind, next.group).group); });

    onDiary(path, [&](Cursor &c) {
        if (const auto summary = CollectRangeSummary(services, nullptr, c, QStringLiteral("2000-01-01"), shown)) {
            require(summary->lines > 0 && summary->pages > 0);
            for (const KindSummary &k : summary->kinds)
                require(k.Count >= 0 && k.Count <= summary->lines);
        }
    });
    return 0;
}
