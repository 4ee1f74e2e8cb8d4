// The reader of meters' exports. Whatever the bytes and whichever answers
// were given (a unit, a day-and-month order, chosen columns, a zone far from
// UTC), it hands back one of its outcomes with only that outcome's fields
// filled: a refusal with its reason; a question with what it asks about; or
// readings in time order, each on a date of 2000 to 2099 not after today,
// with a finite value inside the unit's bounds, and the unused lines in line
// order, each with a reason. Any other way out (a crash, a hang, an
// exception, a sanitizer report, a broken promise) is a fault.

#include "core/MeterFile.h"

#include <QTimeZone>

#include <array>
#include <cmath>
#include <cstdlib>

namespace {

void require(bool sound)
{
    if (!sound)
        std::abort();
}

const QDate kToday(2026, 12, 9);

void check(const meter::FileRead &f, const meter::ReadOptions &o)
{
    using Status = meter::FileRead::Status;
    if (f.status == Status::Failed) {
        require(!f.failure.isEmpty());
        require(f.readings.isEmpty() && f.unused.isEmpty() && f.header.isEmpty() && f.sampleRows.isEmpty());
        return;
    }
    require(f.failure.isEmpty());
    require(!f.encoding.isEmpty());
    require(f.separator == QLatin1Char(',') || f.separator == QLatin1Char(';') || f.separator == QLatin1Char('\t'));
    require(f.header.isEmpty() == (f.headerLine == 0));
    if (f.status != Status::Read) {
        require(f.readings.isEmpty() && f.unused.isEmpty());
        require(f.sampleRows.size() <= 5);
        if (f.status == Status::NeedColumns)
            require(!f.header.isEmpty());
        if (f.status == Status::NeedDateOrder)
            require(!f.dateSample.isEmpty() && o.dateOrder == meter::DateOrder::Unknown);
        if (f.status == Status::NeedUnit)
            require(!o.unit);
        return;
    }
    qint64 sensor = 0;
    for (qsizetype i = 0; i < f.readings.size(); ++i) {
        const meter::Reading &r = f.readings[i];
        require(r.line >= 1 && r.date.isValid() && r.time.isValid());
        require(r.date.year() >= 2000 && r.date.year() <= 2099 && r.date <= o.today);
        require(std::isfinite(r.value) && !r.text.isEmpty());
        const bool mg = r.unit == GlucoseUnit::MgPerDl;
        require(r.value >= (mg ? 20 : 1.1) && r.value <= (mg ? 600 : 33.3));
        require(r.namedKind >= -1 && r.namedKind < 8);
        require(!r.marker.isEmpty() || (r.meal == meter::Meal::None && r.namedKind == -1));
        if (i > 0) {
            const meter::Reading &p = f.readings[i - 1];
            require(p.date < r.date || (p.date == r.date && p.time <= r.time));
        }
        sensor += r.source == meter::Source::Sensor;
    }
    require(sensor == f.sensorReadings);
    qint64 line = 0;
    for (const meter::Unused &u : f.unused) {
        require(u.line >= 1 && u.line >= line && !u.reason.isEmpty());
        line = u.line;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    static const std::array<meter::ReadOptions, 3> sets = [] {
        meter::ReadOptions plain;
        plain.today = kToday;
        plain.localZone = QTimeZone::utc();
        meter::ReadOptions answered = plain;
        answered.unit = GlucoseUnit::MmolPerL;
        answered.dateOrder = meter::DateOrder::MonthFirst;
        answered.columns = meter::ColumnChoice{0, -1, 1};
        answered.localZone = QTimeZone("Pacific/Kiritimati"); // fourteen hours ahead: dates move
        meter::ReadOptions apart = plain;
        apart.unit = GlucoseUnit::MgPerDl;
        apart.dateOrder = meter::DateOrder::DayFirst;
        apart.columns = meter::ColumnChoice{1, 0, 2};
        apart.localZone = QTimeZone("America/Los_Angeles");
        return std::array<meter::ReadOptions, 3>{plain, answered, apart};
    }();
    (void)meter::isMeterLayout(bytes);
    for (const meter::ReadOptions &o : sets)
        check(meter::readMeterFile(bytes, o), o);
    return 0;
}
