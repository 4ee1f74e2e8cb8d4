#include "core/MeterImport.h"

namespace meter {

std::optional<GlucoseUnit> diaryUnit(QSettings &, const QString &)
{
    return std::nullopt;
}

MeterPreview previewMeterImport(const QString &, const QByteArray &, const ReadOptions &, const PlaceOptions &)
{
    return {};
}

QStringList previewLines(const MeterPreview &)
{
    return {};
}

FileBytes readImportFile(const QString &)
{
    return {};
}

Schedule rememberedSchedule(QSettings &)
{
    return defaultSchedule();
}

void rememberSchedule(QSettings &, const Schedule &) {}

std::optional<ColumnChoice> rememberedColumns(QSettings &, const QString &)
{
    return std::nullopt;
}

void rememberColumns(QSettings &, const QString &, const ColumnChoice &) {}

} // namespace meter
