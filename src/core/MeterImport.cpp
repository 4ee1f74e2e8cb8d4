#include "core/MeterImport.h"

#include "core/Database.h"
#include "core/DateKey.h"
#include "core/StandardDaySettings.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QUrl>

#include <algorithm>

namespace meter {

namespace {

const QString kScheduleKey = QStringLiteral("MeterImport/schedule");

QString columnsKey(const QString &headerKey)
{
    return QStringLiteral("MeterImport/columns/") + QString::fromLatin1(QUrl::toPercentEncoding(headerKey));
}

QString count(qint64 n) { return QString::number(n); }

} // namespace

std::optional<GlucoseUnit> diaryUnit(QSettings &settings, const QString &diaryPath)
{
    if (const auto unit = rememberedUnit(settings, diaryPath))
        return unit;
    Database db = Database::open(diaryPath, Database::Access::ReadOnly);
    Cursor cursor(db);
    const StandardDayReadings readings =
        collectStandardDay(cursor, dateKey(firstAllowedDate()), dateKey(lastAllowedDate()));
    if (readings.counted() == 0)
        return std::nullopt;
    return guessUnit(readings);
}

MeterPreview previewMeterImport(const QString &diaryPath, const QByteArray &bytes, const ReadOptions &read,
                                const PlaceOptions &place)
{
    return previewMeterImport(diaryPath, readMeterFile(bytes, read), place);
}

MeterPreview previewMeterImport(const QString &diaryPath, FileRead file, const PlaceOptions &place)
{
    MeterPreview preview;
    preview.file = std::move(file);
    preview.diaryUnit = place.diaryUnit;
    preview.sensorFill = place.sensorFill;
    if (preview.file.status != FileRead::Status::Read) {
        preview.diary.failure = preview.file.failure;
        return preview;
    }
    preview.placement = meter::place(preview.file.readings, place);

    csv::FileReadings readings;
    readings.days.reserve(preview.placement.days.size());
    for (const PlacedDay &placed : preview.placement.days) {
        ReadingDay day;
        day.key = placed.key;
        for (size_t k = 0; k < placed.cells.size(); ++k)
            day.readings[k] = placed.cells[k] ? placed.cells[k]->text : missingReading();
        readings.days.append(std::move(day));
    }
    for (const Unused &u : preview.file.unused)
        readings.problems.append(csv::LineProblem{u.line, u.reason});
    for (const Unused &u : preview.placement.unusable)
        readings.problems.append(csv::LineProblem{u.line, u.reason});
    std::stable_sort(readings.problems.begin(), readings.problems.end(),
                     [](const csv::LineProblem &a, const csv::LineProblem &b) { return a.line < b.line; });

    Database db = Database::open(diaryPath, Database::Access::ReadOnly);
    Cursor cursor(db);
    preview.diary = csv::previewImport(cursor, std::move(readings));
    return preview;
}

QStringList previewLines(const MeterPreview &preview)
{
    const FileRead &file = preview.file;
    if (file.status != FileRead::Status::Read)
        return {file.failure.isEmpty() ? QStringLiteral("The file cannot be read without a choice: the columns, the "
                                                        "order of day and month, or the unit.")
                                       : file.failure};
    if (!preview.diary.failure.isEmpty())
        return {preview.diary.failure};

    const Placement &placement = preview.placement;
    QStringList lines{csv::addCountText(preview.diary.toAdd.size()), csv::storedCountText(preview.diary.stored.size())};

    const GlucoseUnit other = preview.diaryUnit == GlucoseUnit::MgPerDl ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
    lines << QStringLiteral("The diary's readings are in %1.").arg(unitName(preview.diaryUnit));
    if (placement.converted > 0)
        lines << QStringLiteral("Readings in %1 are converted to %2 (1 mmol/L = 18.0 mg/dL).")
                     .arg(unitName(other), unitName(preview.diaryUnit));
    if (file.utc)
        lines << QStringLiteral("The file's times are in UTC and are shown in this computer's time zone.");

    if (file.sensorFile || file.sensorReadings > 0) {
        lines << (file.sensorReadings == 1
                      ? QStringLiteral("The file holds 1 sensor reading.")
                      : QStringLiteral("The file holds %1 sensor readings.").arg(count(file.sensorReadings)));
        if (preview.sensorFill) {
            const qint64 filled = file.sensorReadings - placement.sensorLeft;
            lines << QStringLiteral("Times of day without another reading are filled from the sensor reading "
                                    "nearest their target within 30 minutes: %1 filled.")
                         .arg(count(filled));
        } else if (placement.sensorLeft > 0) {
            lines << QStringLiteral("They are left out; times of day without another reading can be filled from "
                                    "them.");
        }
    }

    if (!placement.notKept.isEmpty()) {
        lines << (placement.notKept.size() == 1
                      ? QStringLiteral("1 reading is not kept; another is kept for its time of day:")
                      : QStringLiteral("%1 readings are not kept; another is kept for their time of day:")
                            .arg(count(placement.notKept.size())));
        for (const NotKept &n : placement.notKept)
            lines << n.text();
    }
    if (!preview.diary.problems.isEmpty()) {
        lines << csv::problemCountText(preview.diary.problems.size());
        for (const csv::LineProblem &p : preview.diary.problems)
            lines << csv::problemText(p);
    }
    return lines;
}

QString cellDetails(const PlacedReading &cell)
{
    if (!cell.converted)
        return cell.why;
    return QStringLiteral("%1; %2 %3 in the file").arg(cell.why, cell.reading.text, unitName(cell.reading.unit));
}

QStringList placedLines(const MeterPreview &preview)
{
    QHash<QString, const PlacedDay *> placed;
    for (const PlacedDay &day : preview.placement.days)
        placed.insert(day.key, &day);
    QStringList lines;
    for (const ReadingDay &day : preview.diary.toAdd) {
        const PlacedDay *cells = placed.value(day.key);
        if (!cells)
            continue;
        for (int k = 0; k < kReadingKinds; ++k)
            if (const std::optional<PlacedReading> &cell = cells->cells[size_t(k)])
                lines << QStringLiteral("%1 %2 %3: %4")
                             .arg(day.key, QLatin1String(readingKinds()[size_t(k)].chartCaption), cell->text,
                                  cellDetails(*cell));
    }
    return lines;
}

FileBytes readImportFile(const QString &path)
{
    FileBytes out;
    const QFileInfo info(path);
    if (info.isDir()) {
        out.failure = QStringLiteral("\"%1\" is a folder, not a file.").arg(path);
        return out;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        out.failure = QStringLiteral("The file \"%1\" could not be opened: %2").arg(path, file.errorString());
        return out;
    }
    const QString tooLarge = QStringLiteral("The file \"%1\" is larger than %2 MB; no export of readings is that "
                                            "large.")
                                 .arg(path)
                                 .arg(kMaxMeterFileBytes / (1024 * 1024));
    if (file.size() > kMaxMeterFileBytes) {
        out.failure = tooLarge;
        return out;
    }
    // A device or a pipe tells no size: read one byte past the limit to
    // know it is crossed, and no more.
    QByteArray bytes;
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), chunk.size());
        if (n < 0) {
            out.failure = QStringLiteral("The file \"%1\" could not be read: %2").arg(path, file.errorString());
            return out;
        }
        if (n == 0)
            break;
        bytes.append(chunk.constData(), n);
        if (bytes.size() > kMaxMeterFileBytes) {
            out.failure = tooLarge;
            return out;
        }
    }
    out.bytes = std::move(bytes);
    return out;
}

Schedule rememberedSchedule(QSettings &settings)
{
    const ScheduleRead read = parseSchedule(settings.value(kScheduleKey).toString());
    return read.schedule.value_or(defaultSchedule());
}

void rememberSchedule(QSettings &settings, const Schedule &schedule)
{
    if (!schedule.problem().isEmpty())
        return;
    if (schedule == defaultSchedule())
        settings.remove(kScheduleKey);
    else
        settings.setValue(kScheduleKey, scheduleText(schedule));
}

std::optional<ColumnChoice> rememberedColumns(QSettings &settings, const QString &headerKey)
{
    const QStringList parts = settings.value(columnsKey(headerKey)).toString().split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    bool ok[3] = {false, false, false};
    const ColumnChoice c{parts[0].toInt(&ok[0]), parts[1].toInt(&ok[1]), parts[2].toInt(&ok[2])};
    if (!ok[0] || !ok[1] || !ok[2] || c.time < 0 || c.value < 0 || c.clock < -1 || c.time == c.value ||
        c.clock == c.time || c.clock == c.value)
        return std::nullopt;
    return c;
}

void rememberColumns(QSettings &settings, const QString &headerKey, const ColumnChoice &columns)
{
    settings.setValue(columnsKey(headerKey),
                      QStringLiteral("%1,%2,%3").arg(columns.time).arg(columns.clock).arg(columns.value));
}

} // namespace meter
