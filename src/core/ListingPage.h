#pragma once
// The pages of the on-screen listing: sixteen stored days per page, one line
// per day. These walks take a cursor over the diary and return the page; the
// window only draws what they return.

#include "core/ReadingDay.h"

#include <QList>
#include <QString>

#include <optional>

class Cursor;

inline constexpr int kListingLines = 16;

// The page grid: 80 units across, one unit down per line.
inline constexpr int kListingWidthUnits = 80;
// Where each column's text starts: the date, then the eight readings.
inline constexpr int kListingColumns[kReadingKinds + 1] = {0, 11, 20, 30, 38, 46, 55, 64, 72};

struct ListingPage {
    QList<ReadingDay> rows; // at most kListingLines, in key order

    int lineCount() const { return int(rows.size()); }
    // The key of the last day drawn; empty on an empty page.
    QString lastDate() const { return rows.isEmpty() ? QString() : rows.last().key; }
    bool full() const { return lineCount() == kListingLines; }
};

// One text drawn on the page: its left edge in grid units, its line, the text.
struct ListingText {
    int x;
    int line;
    QString text;
    bool operator==(const ListingText &) const = default;
};

// The texts of one line: the day's short date, then each reading as stored.
QList<ListingText> DrawListingRow(int line, const ReadingDay &row);

// Up to sixteen days from the cursor's row on; leaves the cursor after them.
ListingPage pageFrom(Cursor &cursor);

// The first page: the day with this key and up to fifteen later days. Should
// the key no longer be stored, the page starts at the next stored day.
ListingPage firstListingPage(Cursor &cursor, const QString &key);

// The days after `lastDate`; nothing when no stored day follows it.
std::optional<ListingPage> nextListingPage(Cursor &cursor, const QString &lastDate);

// The page reached by counting back from the last stored day by the lines of
// the page shown plus fifteen: it starts at day max(1, N - (lines + 15)).
ListingPage previousListingPage(Cursor &cursor, int linesShown);
