#include "core/ListingPage.h"

#include "core/Database.h"
#include "core/DateKey.h"

QList<ListingText> DrawListingRow(int line, const ReadingDay &row)
{
    QList<ListingText> texts;
    texts.reserve(kReadingKinds + 1);
    texts.append({kListingColumns[0], line, ShortDate(row.key)});
    for (int i = 0; i < kReadingKinds; ++i)
        texts.append({kListingColumns[i + 1], line, row.readings[size_t(i)]});
    return texts;
}

ListingPage pageFrom(Cursor &cursor)
{
    ListingPage page;
    while (!cursor.eof() && page.lineCount() < kListingLines) {
        page.rows.append(cursor.row());
        cursor.moveNext();
    }
    return page;
}

ListingPage firstListingPage(Cursor &cursor, const QString &key)
{
    // At-or-after finds the day itself whenever it is stored.
    cursor.seek(SeekOp::AtLeast, key);
    if (cursor.noMatch())
        return {};
    return pageFrom(cursor);
}

std::optional<ListingPage> nextListingPage(Cursor &cursor, const QString &lastDate)
{
    // The first day after the last one drawn, even if that one has gone since.
    cursor.seek(SeekOp::AtLeast, lastDate);
    if (cursor.noMatch())
        return std::nullopt;
    if (cursor.key() == lastDate) {
        cursor.moveNext();
        if (cursor.eof())
            return std::nullopt;
    }
    return pageFrom(cursor);
}

ListingPage previousListingPage(Cursor &cursor, int linesShown)
{
    if (cursor.bof() && cursor.eof())
        return {};
    cursor.moveLast();
    const int steps = linesShown + kListingLines - 1;
    for (int k = 0; k < steps && !cursor.bof(); ++k)
        cursor.movePrevious();
    if (cursor.bof())
        cursor.moveFirst();
    return pageFrom(cursor);
}
