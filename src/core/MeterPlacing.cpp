#include "core/MeterPlacing.h"

#include "core/CsvFile.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace meter {

namespace {

constexpr int kNight = 7;
constexpr int kBedtime = 6;
constexpr int kMinutesPerDay = 24 * 60;
// A sensor reading fills an empty time of day from at most this far from
// its target.
constexpr int kSensorWindowSeconds = 30 * 60;

// The kinds in the order of the clock: Night from midnight, then the day.
constexpr std::array<int, kReadingKinds> kClockOrder{kNight, 0, 1, 2, 3, 4, 5, kBedtime};
constexpr std::array<int, 3> kPreMeal{0, 2, 4};
constexpr std::array<int, 3> kAfterMeal{1, 3, 5};

QString kindName(int kind) { return csv::columnNames()[size_t(kind + 1)]; }

QString clockText(int minutes)
{
    return QStringLiteral("%1:%2")
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString spanText(const Schedule &schedule, int kind)
{
    return clockText(schedule.spans[size_t(kind)].start) + QLatin1Char('-') + clockText(schedule.end(kind));
}

// A name as it is compared: without blanks, in one case.
QString comparable(QStringView name)
{
    QString out;
    for (const QChar c : name)
        if (!c.isSpace())
            out += c;
    return out.toCaseFolded();
}

// "07:30" or "7:30" as minutes after midnight; -1 when it is no time of day.
int parseClock(const QString &text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 1 || colon > 2 || text.size() != colon + 3)
        return -1;
    bool hourOk = false, minuteOk = false;
    const int hour = text.left(colon).toInt(&hourOk);
    const int minute = text.mid(colon + 1).toInt(&minuteOk);
    for (const QChar c : text)
        if (c != QLatin1Char(':') && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return -1;
    if (!hourOk || !minuteOk || hour > 23 || minute > 59)
        return -1;
    return hour * 60 + minute;
}

int secondsOf(const QTime &time) { return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : 0; }

// x rounded half away from zero, after taking off the dust that binary
// arithmetic leaves on a value that is a tie in decimals (5.55 * 18).
double roundHalfAway(double x)
{
    const double snapped = std::round(x * 1e6) / 1e6;
    return std::round(snapped);
}

// Where one reading goes, and why.
struct Target {
    int kind = 0;
    QString why;
};

Target targetOf(const Reading &r, const Schedule &schedule)
{
    const int minutes = secondsOf(r.time) / 60;
    const QString at = r.time.toString(QStringLiteral("HH:mm")) + QStringLiteral(", ") + sourceName(r.source);
    if (r.namedKind >= 0 && r.namedKind < kReadingKinds)
        return {r.namedKind, QStringLiteral("%1, marked \"%2\": %3").arg(at, r.marker, kindName(r.namedKind))};
    if (r.meal != Meal::None) {
        const auto &kinds = r.meal == Meal::Before ? kPreMeal : kAfterMeal;
        int best = kinds[0];
        for (const int k : kinds)
            if (std::abs(minutes - schedule.spans[size_t(k)].target) <
                std::abs(minutes - schedule.spans[size_t(best)].target))
                best = k;
        const QString marker = r.marker.isEmpty()
            ? (r.meal == Meal::Before ? QStringLiteral("before meal") : QStringLiteral("after meal"))
            : r.marker;
        return {best,
                QStringLiteral("%1, marked \"%2\": the %3 time of day with the nearest target (%4), %5")
                    .arg(at, marker, r.meal == Meal::Before ? QStringLiteral("pre-meal") : QStringLiteral("after-meal"),
                         clockText(schedule.spans[size_t(best)].target), kindName(best))};
    }
    const int kind = schedule.kindAt(minutes);
    return {kind, QStringLiteral("%1, in %2 (%3)").arg(at, kindName(kind), spanText(schedule, kind))};
}

int rank(Source source)
{
    switch (source) {
    case Source::FingerStick: return 0;
    case Source::Scan: return 1;
    case Source::Sensor: return 2;
    }
    return 3;
}

// A time of day of one date, as a key to bucket readings by.
qint64 slotKey(const QDate &date, int kind) { return date.toJulianDay() * kReadingKinds + kind; }

bool earlier(const Reading &a, const Reading &b)
{
    if (a.date != b.date)
        return a.date < b.date;
    if (a.time != b.time)
        return a.time < b.time;
    return a.line < b.line;
}

Unused unusable(const Reading &r)
{
    return Unused{r.line, QStringLiteral("the value \"%1\" cannot be written as a reading").arg(r.text)};
}

struct Candidate {
    qsizetype reading = -1; // index into the readings
    QString text;
    QString why;
    bool converted = false;
};

} // namespace

// ---------------------------------------------------------------- schedule

int Schedule::end(int kind) const
{
    if (kind == kBedtime)
        return kMinutesPerDay;
    if (kind == kNight)
        return spans[0].start;
    return spans[size_t(kind + 1)].start;
}

QString Schedule::problem() const
{
    if (spans[size_t(kNight)].start != 0)
        return QStringLiteral("Night must start at 00:00.");
    for (size_t i = 1; i < kClockOrder.size(); ++i) {
        const int kind = kClockOrder[i], before = kClockOrder[i - 1];
        const int start = spans[size_t(kind)].start;
        if (start < 0 || start >= kMinutesPerDay)
            return QStringLiteral("%1 starts at no time of day.").arg(kindName(kind));
        if (start < spans[size_t(before)].start)
            return QStringLiteral("%1 starts before %2.").arg(kindName(kind), kindName(before));
        if (start == spans[size_t(before)].start)
            return QStringLiteral("%1 starts together with %2, which leaves %2 no time.")
                .arg(kindName(kind), kindName(before));
    }
    for (const int kind : kClockOrder) {
        const SlotTimes &s = spans[size_t(kind)];
        if (s.target < s.start || s.target >= end(kind))
            return QStringLiteral("The target of %1 (%2) lies outside %3.")
                .arg(kindName(kind), clockText(std::clamp(s.target, 0, kMinutesPerDay - 1)), spanText(*this, kind));
    }
    return {};
}

int Schedule::kindAt(int minutes) const
{
    minutes = std::clamp(minutes, 0, kMinutesPerDay - 1);
    int kind = kNight;
    for (const int k : kClockOrder)
        if (spans[size_t(k)].start <= minutes)
            kind = k;
        else
            break;
    return kind;
}

const Schedule &defaultSchedule()
{
    static const Schedule schedule = [] {
        Schedule s;
        s.spans[0] = {5 * 60, 7 * 60 + 30};        // Pre-Breakfast
        s.spans[1] = {8 * 60, 9 * 60 + 30};        // After Breakfast
        s.spans[2] = {11 * 60, 12 * 60 + 30};      // Pre-Lunch
        s.spans[3] = {13 * 60, 14 * 60 + 30};      // After Lunch
        s.spans[4] = {16 * 60 + 30, 18 * 60 + 30}; // Pre-Dinner
        s.spans[5] = {19 * 60, 20 * 60 + 30};      // After Dinner
        s.spans[6] = {21 * 60 + 30, 22 * 60 + 30}; // Bedtime
        s.spans[7] = {0, 3 * 60};                  // Night
        return s;
    }();
    return schedule;
}

QString scheduleText(const Schedule &schedule)
{
    QString out = QStringLiteral("# time of day, start, target (the end is where the next one starts)\n");
    for (const int kind : kClockOrder) {
        const SlotTimes &s = schedule.spans[size_t(kind)];
        out += QStringLiteral("%1 %2 %3\n").arg(kindName(kind), clockText(s.start), clockText(s.target));
    }
    return out;
}

ScheduleRead parseSchedule(const QString &text)
{
    ScheduleRead read;
    Schedule schedule;
    std::array<bool, kReadingKinds> seen{};
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (const qsizetype hash = line.indexOf(QLatin1Char('#')); hash >= 0)
            line.truncate(hash);
        const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString where = QStringLiteral("Line %1: ").arg(i + 1);
        if (words.size() < 3) {
            read.problem = where + QStringLiteral("a line names a time of day, its start and its target.");
            return read;
        }
        const QString name = comparable(words.mid(0, words.size() - 2).join(QString()));
        int kind = -1;
        for (int k = 0; k < kReadingKinds; ++k)
            if (comparable(kindName(k)) == name)
                kind = k;
        if (kind < 0) {
            read.problem = where +
                QStringLiteral("\"%1\" is no time of day.").arg(words.mid(0, words.size() - 2).join(QLatin1Char(' ')));
            return read;
        }
        if (seen[size_t(kind)]) {
            read.problem = where + QStringLiteral("%1 is named a second time.").arg(kindName(kind));
            return read;
        }
        const int start = parseClock(words[words.size() - 2]);
        const int target = parseClock(words[words.size() - 1]);
        if (start < 0 || target < 0) {
            read.problem = where +
                QStringLiteral("\"%1\" is no time of day as 07:30.")
                    .arg(words[start < 0 ? words.size() - 2 : words.size() - 1]);
            return read;
        }
        seen[size_t(kind)] = true;
        schedule.spans[size_t(kind)] = {start, target};
    }
    for (const int kind : kClockOrder)
        if (!seen[size_t(kind)]) {
            read.problem = QStringLiteral("%1 is not named.").arg(kindName(kind));
            return read;
        }
    if (const QString problem = schedule.problem(); !problem.isEmpty()) {
        read.problem = problem;
        return read;
    }
    read.schedule = schedule;
    return read;
}

// ---------------------------------------------------------------- values

QString diaryText(double value, GlucoseUnit from, GlucoseUnit to)
{
    if (!std::isfinite(value) || value <= 0)
        return {};
    int decimals = 4;
    if (from != to) {
        if (to == GlucoseUnit::MgPerDl) {
            value = roundHalfAway(value * kMgPerDlPerMmolPerL);
            decimals = 0;
        } else {
            value = roundHalfAway(value / kMgPerDlPerMmolPerL * 10) / 10;
            decimals = 1;
        }
    }
    // The fewest decimals that still say the value, within six characters.
    for (; decimals >= 0; --decimals) {
        QString text = QString::number(value, 'f', decimals);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
        if (text.size() <= 6)
            return text == QLatin1String("0") ? QString() : text;
    }
    return {};
}

QString NotKept::text() const
{
    return QStringLiteral("%1 %2: %3 keeps %4")
        .arg(QLocale::c().toString(reading.date, QStringLiteral("d MMM")),
             reading.time.toString(QStringLiteral("HH:mm")), kindName(kind), kept.toString(QStringLiteral("HH:mm")));
}

// ---------------------------------------------------------------- placing

Placement place(const QList<Reading> &given, const PlaceOptions &options)
{
    Placement out;
    const Schedule &schedule = options.schedule.problem().isEmpty() ? options.schedule : defaultSchedule();

    // In time order; the reader hands them so, and anyone else is put right.
    QList<Reading> sortedCopy;
    const QList<Reading> *readings = &given;
    if (!std::is_sorted(given.begin(), given.end(), earlier)) {
        sortedCopy = given;
        std::stable_sort(sortedCopy.begin(), sortedCopy.end(), earlier);
        readings = &sortedCopy;
    }

    // The kept reading of each time of day of each date, and everything
    // that went there.
    QHash<qint64, Candidate> kept;
    QHash<qint64, QList<qsizetype>> contenders;
    QList<qsizetype> sensors;
    for (qsizetype i = 0; i < readings->size(); ++i) {
        const Reading &r = (*readings)[i];
        // A sensor's many readings are written only when one may fill a
        // time of day.
        if (r.source == Source::Sensor) {
            sensors.append(i);
            continue;
        }
        const QString text = diaryText(r.value, r.unit, options.diaryUnit);
        if (text.isEmpty()) {
            out.unusable.append(unusable(r));
            continue;
        }
        const Target t = targetOf(r, schedule);
        const qint64 key = slotKey(r.date, t.kind);
        contenders[key].append(i);
        const auto found = kept.constFind(key);
        bool better = found == kept.constEnd();
        if (!better) {
            const Reading &k = (*readings)[found->reading];
            const int target = schedule.spans[size_t(t.kind)].target * 60;
            if (rank(r.source) != rank(k.source))
                better = rank(r.source) < rank(k.source);
            else
                better = std::abs(secondsOf(r.time) - target) < std::abs(secondsOf(k.time) - target);
        }
        if (better)
            kept.insert(key, Candidate{i, text, t.why, r.unit != options.diaryUnit});
    }

    // Every reading that gave way, with the one kept.
    for (auto it = contenders.cbegin(); it != contenders.cend(); ++it) {
        const Candidate &k = kept[it.key()];
        for (const qsizetype i : it.value())
            if (i != k.reading)
                out.notKept.append(NotKept{(*readings)[i], int(it.key() % kReadingKinds), (*readings)[k.reading].time});
    }
    std::sort(out.notKept.begin(), out.notKept.end(),
              [](const NotKept &a, const NotKept &b) { return earlier(a.reading, b.reading); });

    // Sensor readings only fill a time of day left empty, from the one
    // nearest its target within the window and inside the time of day.
    qint64 sensorPlaced = 0, unwritable = 0;
    if (options.sensorFill) {
        QHash<qint64, Candidate> fills;
        for (const qsizetype i : sensors) {
            const Reading &r = (*readings)[i];
            const int seconds = secondsOf(r.time);
            const int kind = schedule.kindAt(seconds / 60);
            const qint64 key = slotKey(r.date, kind);
            if (kept.contains(key))
                continue;
            const int target = schedule.spans[size_t(kind)].target * 60;
            const int distance = std::abs(seconds - target);
            if (distance > kSensorWindowSeconds)
                continue;
            const auto found = fills.constFind(key);
            if (found != fills.constEnd() && std::abs(secondsOf((*readings)[found->reading].time) - target) <= distance)
                continue;
            const QString text = diaryText(r.value, r.unit, options.diaryUnit);
            if (text.isEmpty()) {
                out.unusable.append(unusable(r));
                ++unwritable;
                continue;
            }
            Candidate c{i, text,
                        QStringLiteral("%1, %2, the nearest to the target of %3 (%4) within 30 minutes, in a "
                                       "time of day without another reading")
                            .arg(r.time.toString(QStringLiteral("HH:mm")), sourceName(r.source), kindName(kind),
                                 clockText(schedule.spans[size_t(kind)].target)),
                        r.unit != options.diaryUnit};
            fills.insert(key, std::move(c));
        }
        sensorPlaced = fills.size();
        for (auto it = fills.cbegin(); it != fills.cend(); ++it)
            kept.insert(it.key(), it.value());
    }
    out.sensorLeft = sensors.size() - sensorPlaced - unwritable;
    std::sort(out.unusable.begin(), out.unusable.end(),
              [](const Unused &a, const Unused &b) { return a.line < b.line; });

    // The days, in date order.
    QList<qint64> keys = kept.keys();
    std::sort(keys.begin(), keys.end());
    for (const qint64 key : keys) {
        const Candidate &c = kept[key];
        const Reading &r = (*readings)[c.reading];
        if (out.days.isEmpty() || out.days.last().key != r.date.toString(Qt::ISODate))
            out.days.append(PlacedDay{r.date.toString(Qt::ISODate), {}});
        out.days.last().cells[size_t(key % kReadingKinds)] = PlacedReading{r, c.text, c.why, c.converted};
        if (c.converted)
            ++out.converted;
    }
    return out;
}

} // namespace meter
