#pragma once
// A meter's export brought into a diary: the file read, its readings placed
// into the eight times of day, and the result set against the diary before
// anything is written. A date the diary holds already is never changed. The
// new dates go in with csv::applyImport, in one transaction.
//
// What the person chose is remembered in the user's settings: the schedule,
// and the columns picked for a file whose columns were not found (by its
// header). A diary's unit is the one its readings use; for an empty diary the
// unit asked for is remembered as the standard day's.

#include "core/CsvFile.h"
#include "core/MeterFile.h"
#include "core/MeterPlacing.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QSettings;

namespace meter {

// The largest file taken: a year of sensor readings is a few megabytes.
inline constexpr qint64 kMaxMeterFileBytes = 256LL * 1024 * 1024;

// The unit of the diary at `diaryPath`: the one remembered for its standard
// day, else the one its readings suggest; none for a diary without readings
// and without a remembered unit (then ask, and rememberUnit the answer).
// Throws StoreError when the diary cannot be read.
std::optional<GlucoseUnit> diaryUnit(QSettings &settings, const QString &diaryPath);

struct MeterPreview {
    FileRead file; // what the file held; when its status is not Read, nothing else is filled
    Placement placement;
    GlucoseUnit diaryUnit = GlucoseUnit::MgPerDl;
    csv::ImportPreview diary; // the new dates (a time of day without a reading "-"), the dates kept, the lines not used
    bool sensorFill = false;  // whether empty times of day were filled from sensor readings
    bool usable() const { return file.status == FileRead::Status::Read && diary.usable(); }
};

// Reads `bytes` and sets what they hold against the diary (only reading it).
// Throws StoreError when the diary cannot be read.
MeterPreview previewMeterImport(const QString &diaryPath, const QByteArray &bytes, const ReadOptions &read,
                                const PlaceOptions &place);
// The same for a file read already (when only the schedule or the options
// changed, the file need not be read again).
MeterPreview previewMeterImport(const QString &diaryPath, FileRead file, const PlaceOptions &place);

// The preview in words, the same in the window and on the command line: the
// counts, the unit and any conversion, UTC times, a sensor file, the readings
// not kept and the lines not used ("Line 12: a control-solution test").
QStringList previewLines(const MeterPreview &preview);

// What a cell of the new dates says of its reading: the reason it went there,
// and the value in the file when it was converted.
QString cellDetails(const PlacedReading &cell);

// The new dates reading by reading, for the command line's --dry-run:
//   2026-03-14 Pre-Breakfast 113: 07:25, scan, in Pre-Breakfast (05:00-08:00); 6.3 mmol/L in the file
QStringList placedLines(const MeterPreview &preview);

// Reads a whole file for an import, refusing one larger than
// kMaxMeterFileBytes; `failure` says why it could not be read.
struct FileBytes {
    QByteArray bytes;
    QString failure;
};
FileBytes readImportFile(const QString &path);

// The remembered choices.
Schedule rememberedSchedule(QSettings &settings); // the default one when none (or none sound) is remembered
void rememberSchedule(QSettings &settings, const Schedule &schedule);
std::optional<ColumnChoice> rememberedColumns(QSettings &settings, const QString &headerKey);
void rememberColumns(QSettings &settings, const QString &headerKey, const ColumnChoice &columns);

} // namespace meter
