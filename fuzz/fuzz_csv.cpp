// The reader of CSV files of readings. Whatever the bytes, it either refuses
// the file as a whole, with a reason and nothing else, or hands back days the
// diary can store (a date of 2000 to 2099 once each, readings of one to six
// digits and points or "-") and the lines it cannot use in file order. The
// days it hands back go into a diary in one change and come out of the
// diary's export as the same days. Any other way out (a crash, a hang, an
// exception, a sanitizer report, a broken promise) is a fault.

#include "Scratch.h"
#include "core/CsvFile.h"
#include "core/Database.h"
#include "core/DiaryChanges.h"

#include <QBuffer>
#include <QDate>
#include <QSet>

#include <algorithm>
#include <cstdlib>

namespace {

void require(bool sound)
{
    if (!sound)
        std::abort();
}

bool isReading(const QString &r)
{
    if (r == QLatin1String("-"))
        return true;
    return !r.isEmpty() && r.size() <= 6 && std::all_of(r.begin(), r.end(), [](QChar c) {
        return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.');
    });
}

void checkDays(const csv::FileReadings &r)
{
    QSet<QString> keys;
    for (const ReadingDay &d : r.days) {
        const QDate date = QDate::fromString(d.key, QStringLiteral("yyyy-MM-dd"));
        require(date.isValid() && date.year() >= 2000 && date.year() <= 2099);
        require(!keys.contains(d.key));
        keys.insert(d.key);
        for (const QString &reading : d.readings)
            require(isReading(reading));
    }
    qint64 line = 1;
    for (const csv::LineProblem &p : r.problems) {
        require(p.line > line && !p.reason.isEmpty());
        line = p.line;
    }
}

// The days stored and exported again read back the same.
void roundTrip(const csv::FileReadings &r)
{
    static const QString path = scratchFolder() + QStringLiteral("/Fuzz Csv.bcl");
    removeWithJournals(path);
    Database::create(path);
    Database db = Database::open(path);
    Cursor cursor(db);
    const DiaryChanges::DaysAdded added = DiaryChanges::addDays(cursor, r.days);
    require(added.added == r.days.size());

    QBuffer out;
    out.open(QIODevice::WriteOnly);
    const csv::ExportResult written =
        csv::writeRange(cursor, QStringLiteral("2000-01-01"), QStringLiteral("2099-12-31"), out);
    require(written.outcome == csv::ExportResult::Outcome::Written && written.dates == r.days.size());
    const csv::FileReadings back = csv::readReadings(out.data(), QLocale::c());
    require(back.failure.isEmpty() && back.problems.isEmpty());
    QList<ReadingDay> sorted = r.days;
    std::sort(sorted.begin(), sorted.end(), [](const ReadingDay &a, const ReadingDay &b) { return a.key < b.key; });
    require(back.days == sorted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Germany)};
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const csv::FileReadings r = csv::readReadings(bytes, locales[size % 3]);
    if (!r.failure.isEmpty()) {
        require(r.days.isEmpty() && r.problems.isEmpty());
        return 0;
    }
    checkDays(r);
    if (!r.days.isEmpty()) {
        try {
            roundTrip(r);
        } catch (const StoreError &) {
            std::abort(); // a fresh diary in a private folder does not fail
        }
    }
    return 0;
}
