#include "core/Salvage.h"

#include "core/DateKey.h"

#include <QFile>
#include <QSet>

#include <cstring>
#include <optional>
#include <sqlite3.h>

namespace {

// ---------------------------------------------------------------- engine

// Reads table BLOOD in row order, as far as the engine gets.
void readThroughEngine(const QString &path, SalvagedDays &out)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    sqlite3_stmt *st = nullptr;
    const char *sql = "SELECT rowid, Bdate, Bfast, Afast, Blunch, Alunch, Bdinner, Adinner, Bedtime, Night "
                      "FROM BLOOD NOT INDEXED ORDER BY rowid";
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            FoundDay found;
            found.rowid = sqlite3_column_int64(st, 0);
            const auto text = [st](int col) {
                const auto *p = reinterpret_cast<const char *>(sqlite3_column_text(st, col));
                return p ? QString::fromUtf8(p, sqlite3_column_bytes(st, col)) : QString();
            };
            found.day.key = text(1);
            for (int i = 0; i < kReadingKinds; ++i)
                found.day.readings[size_t(i)] = ReadingDay::storedForm(text(i + 2));
            if (found.day.key.isEmpty())
                ++out.unreadable;
            else
                out.days << found;
        }
        out.complete = rc == SQLITE_DONE;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// ---------------------------------------------------------------- pages

// Bounds-checked big-endian reads from the file's bytes.
class Bytes {
public:
    explicit Bytes(const QByteArray &b) : b_(b) {}
    qsizetype size() const { return b_.size(); }
    // Compared against what is left after `at`, never by adding first: a
    // length read from the file may be as large as the type holds.
    bool has(qint64 at, qint64 n) const { return at >= 0 && n >= 0 && at <= b_.size() && n <= b_.size() - at; }
    unsigned u8(qint64 at) const { return static_cast<unsigned char>(b_[at]); }
    unsigned u16(qint64 at) const { return (u8(at) << 8) | u8(at + 1); }
    quint32 u32(qint64 at) const { return (quint32(u16(at)) << 16) | u16(at + 2); }
    const char *data(qint64 at) const { return b_.constData() + at; }

    // A variable-length integer of one to nine bytes; none past `end`.
    std::optional<qint64> varint(qint64 &at, qint64 end) const
    {
        quint64 v = 0;
        for (int i = 0; i < 9; ++i) {
            if (at >= end || at >= b_.size())
                return std::nullopt;
            const unsigned c = u8(at++);
            if (i == 8)
                return qint64((v << 8) | c);
            v = (v << 7) | (c & 0x7F);
            if (!(c & 0x80))
                return qint64(v);
        }
        return std::nullopt;
    }

private:
    const QByteArray &b_;
};

// The value of one field of a row as text; nothing for a field that cannot be
// a diary's text.
std::optional<QString> fieldText(const Bytes &b, qint64 serial, qint64 at, qint64 *length)
{
    static const int intSizes[] = {0, 1, 2, 3, 4, 6, 8};
    if (serial == 0) {
        *length = 0;
        return QString();
    }
    if (serial >= 1 && serial <= 6) {
        const int n = intSizes[serial];
        *length = n;
        if (!b.has(at, n))
            return std::nullopt;
        qint64 v = (b.u8(at) & 0x80) ? -1 : 0;
        for (int i = 0; i < n; ++i)
            v = qint64(quint64(v) << 8) | b.u8(at + i);
        return QString::number(v);
    }
    if (serial == 8 || serial == 9) {
        *length = 0;
        return QString::number(serial - 8);
    }
    if (serial >= 13 && serial % 2 == 1) {
        const qint64 n = (serial - 13) / 2;
        *length = n;
        if (!b.has(at, n) || n > 1000)
            return std::nullopt;
        return QString::fromUtf8(b.data(at), n);
    }
    return std::nullopt; // floats, blobs and reserved kinds are no reading
}

// One cell of a table leaf page as a day of BLOOD, if it is one.
std::optional<FoundDay> readCell(const Bytes &b, qint64 cell, qint64 pageEnd, qint64 usable)
{
    qint64 at = cell;
    const auto payload = b.varint(at, pageEnd);
    const auto rowid = b.varint(at, pageEnd);
    // Every length read from the file is compared with the room left after
    // the offset it counts from; adding first could overflow.
    if (!payload || !rowid || *payload < 0 || *payload > usable - 35 || *payload > pageEnd - at)
        return std::nullopt;
    const qint64 recordEnd = at + *payload;
    qint64 h = at;
    const auto headerSize = b.varint(h, recordEnd);
    if (!headerSize || *headerSize < 2 || *headerSize > recordEnd - at)
        return std::nullopt;
    const qint64 headerEnd = at + *headerSize;
    qint64 data = headerEnd;
    QStringList fields;
    while (h < headerEnd) {
        const auto serial = b.varint(h, headerEnd);
        if (!serial || fields.size() > kReadingKinds)
            return std::nullopt;
        qint64 length = 0;
        const auto text = fieldText(b, *serial, data, &length);
        if (!text || length < 0 || data > recordEnd || length > recordEnd - data)
            return std::nullopt;
        fields << *text;
        data += length;
    }
    if (fields.size() != kReadingKinds + 1 || !dateFromKey(fields[0]).isValid())
        return std::nullopt;
    FoundDay found;
    found.rowid = *rowid;
    found.day.key = fields[0];
    for (int i = 0; i < kReadingKinds; ++i)
        found.day.readings[size_t(i)] = ReadingDay::storedForm(fields[i + 1]);
    return found;
}

// The pages on the file's free list, as far as it can be followed.
QSet<quint32> freePages(const Bytes &b, qint64 pageSize, quint32 pageCount)
{
    QSet<quint32> free;
    quint32 trunk = b.u32(32);
    while (trunk >= 1 && trunk <= pageCount && !free.contains(trunk)) {
        free.insert(trunk);
        const qint64 at = qint64(trunk - 1) * pageSize;
        if (!b.has(at, 8))
            break;
        const quint32 leaves = b.u32(at + 4);
        for (quint32 i = 0; i < leaves && b.has(at + 8 + 4 * qint64(i), 4) && 8 + 4 * qint64(i) < pageSize; ++i)
            free.insert(b.u32(at + 8 + 4 * qint64(i)));
        trunk = b.u32(at);
    }
    return free;
}

} // namespace

QList<FoundDay> scanTablePages(const QByteArray &file)
{
    QList<FoundDay> found;
    const Bytes b(file);
    if (!b.has(0, 100) || std::memcmp(b.data(0), "SQLite format 3", 16) != 0)
        return found;
    qint64 pageSize = b.u16(16);
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0)
        return found;
    const qint64 usable = pageSize - b.u8(20);
    if (usable < 480)
        return found;
    const quint32 pageCount = quint32(b.size() / pageSize);
    const QSet<quint32> free = freePages(b, pageSize, pageCount);

    // Page 1 holds the schema; the table's rows lie on the leaf pages after it.
    for (quint32 page = 2; page <= pageCount; ++page) {
        if (free.contains(page))
            continue;
        const qint64 start = qint64(page - 1) * pageSize;
        const qint64 end = start + usable;
        if (b.u8(start) != 0x0D)
            continue;
        const unsigned cells = b.u16(start + 3);
        const qint64 pointers = start + 8;
        if (pointers + 2 * qint64(cells) > end)
            continue;
        for (unsigned i = 0; i < cells; ++i) {
            const qint64 cell = start + b.u16(pointers + 2 * qint64(i));
            if (cell < pointers + 2 * qint64(cells) || cell >= end)
                continue;
            if (auto day = readCell(b, cell, end, usable))
                found << *day;
        }
    }
    return found;
}

SalvagedDays salvageDays(const QString &path)
{
    SalvagedDays out;
    readThroughEngine(path, out);
    if (out.complete)
        return out;

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return out;
    QSet<qint64> seen;
    for (const FoundDay &d : std::as_const(out.days))
        seen.insert(d.rowid);
    for (FoundDay &d : scanTablePages(file.readAll()))
        if (!seen.contains(d.rowid)) {
            seen.insert(d.rowid);
            out.days << std::move(d);
        }
    return out;
}
