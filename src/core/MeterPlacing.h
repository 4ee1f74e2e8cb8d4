#pragma once
// Readings with a clock time placed into the eight times of day of a diary.
//
// The schedule gives each time of day a span of the day (its start included,
// its end excluded; the spans follow one another from Night at 00:00 round to
// midnight) and a target time inside it. A reading goes to the time of day
// its clock time falls in, unless a marker on it says otherwise:
// - a marker that names a time of day ("Fasting", "Before lunch") places it
//   there, whatever its clock time;
// - a bare before-meal (after-meal) marker places it at the pre-meal
//   (after-meal) time of day whose target is nearest its clock time.
// Of several readings for one time of day of one date one is kept: a
// finger-stick before a scan before a sensor reading, then the one nearest
// the target, then the earlier one; never an average. Every reading not kept
// is listed. Sensor readings are placed only when asked for, and then only
// into a time of day left empty, from the one nearest its target within 30
// minutes.
//
// A reading in the other unit than the diary's is converted with 18.0 mg/dL
// per mmol/L: to mg/dL rounded to a whole number, to mmol/L to one decimal,
// half away from zero. Every value is written as the diary writes a reading:
// digits and one ".", at most six characters ("166.00" is "166", "5.50" is
// "5.5").

#include "core/MeterFile.h"
#include "core/ReadingKind.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace meter {

struct SlotTimes {
    int start = 0;  // minutes after midnight
    int target = 0; // minutes after midnight, from start to the slot's end
    bool operator==(const SlotTimes &) const = default;
};

// The eight spans, in ReadingKind order (Pre-Breakfast first, Night last).
// A slot ends where the next one by the clock starts; Night always starts at
// 00:00 and Bedtime ends at 24:00.
struct Schedule {
    std::array<SlotTimes, kReadingKinds> spans;

    int end(int kind) const; // minutes after midnight, 1440 for Bedtime
    // Empty when sound; else why not ("Pre-Lunch starts before After Breakfast.").
    QString problem() const;
    // The time of day a clock time falls in.
    int kindAt(int minutes) const;
    bool operator==(const Schedule &) const = default;
};

// Night 00:00-05:00 (target 03:00), Pre-Breakfast 05:00-08:00 (07:30), After
// Breakfast 08:00-11:00 (09:30), Pre-Lunch 11:00-13:00 (12:30), After Lunch
// 13:00-16:30 (14:30), Pre-Dinner 16:30-19:00 (18:30), After Dinner
// 19:00-21:30 (20:30), Bedtime 21:30-24:00 (22:30).
const Schedule &defaultSchedule();

// The schedule as text, one time of day a line, and back:
//   Pre-Breakfast 05:00 07:30
// (name, start, target); "#" begins a comment. Reading gives the schedule or
// why the text is not one.
QString scheduleText(const Schedule &schedule);
struct ScheduleRead {
    std::optional<Schedule> schedule;
    QString problem;
};
ScheduleRead parseSchedule(const QString &text);

// A value written as the diary writes a reading, converted from `from` into
// `to`; empty when the value cannot be written so.
QString diaryText(double value, GlucoseUnit from, GlucoseUnit to);

// A reading put into a time of day.
struct PlacedReading {
    Reading reading;
    QString text; // what goes into the diary
    QString why;  // "07:25, scan, in Pre-Breakfast (05:00-08:00)"
    bool converted = false;
};

struct PlacedDay {
    QString key; // "yyyy-MM-dd"
    std::array<std::optional<PlacedReading>, kReadingKinds> cells;
};

// A reading that gave way to another for the same time of day.
struct NotKept {
    Reading reading;
    int kind = 0;
    QTime kept;           // the clock time of the reading kept
    QString text() const; // "14 Mar 09:02: After Breakfast keeps 09:35"
};

struct Placement {
    QList<PlacedDay> days;  // in date order; only dates given at least one reading
    QList<NotKept> notKept; // in time order
    qint64 sensorLeft = 0;  // sensor readings neither placed nor listed as not kept
    qint64 converted = 0;   // readings converted into the diary's unit
    QList<Unused> unusable; // readings whose value cannot be written into the diary
};

struct PlaceOptions {
    Schedule schedule = defaultSchedule();
    GlucoseUnit diaryUnit = GlucoseUnit::MgPerDl;
    bool sensorFill = false;
};

// Places the readings (sorted by date and time).
Placement place(const QList<Reading> &readings, const PlaceOptions &options);

} // namespace meter
