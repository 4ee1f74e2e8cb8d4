#pragma once
// Files that meters and their phone apps export: one reading per line, with
// a date and a time, not a diary's eight columns. Reading one gives the
// readings it holds, each with its wall-clock time, value, unit, kind and any
// meal marker, and every line that holds no usable reading with its reason.
// No widget, no diary: the import window, the command line, the fuzz target
// and the tests all read such files through here.
//
// The file:
// - UTF-8 with or without a byte-order mark, UTF-16 LE or BE (by its mark or
//   by its zero bytes), anything else as Windows-1252;
// - ",", ";" or a tab between the fields (counted outside quotes on the
//   header and the lines after it), fields quoted as RFC 4180 asks; a stray
//   quote inside a quoted field is taken as it stands, and a quote never
//   closed ends at its own line;
// - lines before the header are skipped (the header is the first line with a
//   date or time column and a glucose column), and so are repeated header
//   lines; a file without a header, shaped "time","value",..., is read by what
//   its fields hold.
//
// Columns are found by their names (case and blanks ignored, a unit in
// brackets or after the name taken off); a file whose columns are not found
// asks which column holds the time and which the value (ColumnChoice).

#include "core/StandardDay.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QTimeZone>

#include <optional>

namespace meter {

// Where a reading came from; a finger-stick counts before a scan, and a scan
// before a sensor's own reading.
enum class Source { FingerStick, Scan, Sensor };

// A meal marker on a reading.
enum class Meal { None, Before, After };

// How the dates of a day-and-month column are written.
enum class DateOrder { Unknown, DayFirst, MonthFirst };

struct Reading {
    qint64 line = 0; // the line of the file where the reading's record begins (the first line is 1)
    QDate date;      // the wall clock the person saw (a UTC time already moved to the computer's zone)
    QTime time;
    QString text; // the value as written in the file, e.g. "5,6" or "166.00"
    double value = 0;
    GlucoseUnit unit = GlucoseUnit::MgPerDl;
    Source source = Source::FingerStick;
    Meal meal = Meal::None;
    // A marker that names a time of day ("Fasting", "Before lunch", "Bedtime"):
    // the ReadingKind index it names, -1 for none.
    int namedKind = -1;
    QString marker; // the marker's words as written, for the preview; empty for none
    bool operator==(const Reading &) const = default;
};

// A line of the file that gives no reading.
struct Unused {
    qint64 line = 0;
    QString reason; // "a control-solution test", "\"Low\" is not a value", ...
    bool operator==(const Unused &) const = default;
};

// The columns a person picked for a file whose columns were not found.
struct ColumnChoice {
    int time = -1;  // the column with the date and time, or with the date
    int clock = -1; // the column with the time when it is apart from the date; -1 for none
    int value = -1;
    bool operator==(const ColumnChoice &) const = default;
};

struct ReadOptions {
    std::optional<GlucoseUnit> unit; // the file's unit, when nothing in the file says it
    DateOrder dateOrder = DateOrder::Unknown;
    std::optional<ColumnChoice> columns;               // the columns, when their names were not found
    QTimeZone localZone = QTimeZone::systemTimeZone(); // where a UTC time is shown
    QDate today = QDate::currentDate();                // no reading is taken after it
};

struct FileRead {
    enum class Status {
        Read,          // readings and unused lines are filled
        Failed,        // `failure` says why; nothing else is filled
        NeedColumns,   // the columns were not found: ask for a ColumnChoice
        NeedDateOrder, // day and month cannot be told apart: ask for a DateOrder
        NeedUnit       // the unit cannot be told: ask for one
    };
    Status status = Status::Failed;
    QString failure;

    // What was found, for the preview and for NeedColumns.
    QString encoding;              // "UTF-8", "UTF-16LE", "UTF-16BE", "Windows-1252"
    QChar separator;               // ',', ';' or '\t'
    QStringList header;            // the header's fields as written; empty for a file without one
    qint64 headerLine = 0;         // 0 for a file without a header
    QString headerKey;             // the header's fields joined, to remember a ColumnChoice by
    QList<QStringList> sampleRows; // NeedColumns: the first five rows after the header
    QString dateSample;            // NeedDateOrder: one date of the column as written

    QList<Reading> readings; // sorted by date and time (rows of one time in file order)
    QList<Unused> unused;    // in line order
    bool utc = false;        // the file's times were UTC and are shown in the computer's zone
    bool unitStated = false; // the unit came from a column's name or a unit column, not the values
    // The readings look like a sensor's: dozens a day, regularly spaced. When
    // the file says nothing of their kind, they are then taken as Sensor.
    bool sensorFile = false;
    qint64 sensorReadings = 0; // readings of Source::Sensor
};

// Bounds no meter export comes near: about a million lines, and a line far
// longer than any export's.
inline constexpr qint64 kMaxMeterLines = 2'000'000;
inline constexpr qsizetype kMaxMeterLineBytes = 16384;

// Whether the bytes look like a file this reader takes rather than a diary's
// own column layout: false when the header names the diary's columns.
bool isMeterLayout(const QByteArray &bytes);

// Reads a file's bytes. A zip or spreadsheet file (its first bytes "PK" or
// the OLE signature), an empty file and a binary one end in Failed with a
// message that says what to do.
FileRead readMeterFile(const QByteArray &bytes, const ReadOptions &options = {});

// The words for a failure, a source and a meal marker, in the preview.
QString sourceName(Source source); // "finger-stick", "scan", "sensor"

} // namespace meter
