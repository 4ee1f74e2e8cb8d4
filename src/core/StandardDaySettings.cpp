#include "core/StandardDaySettings.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

namespace {

// One group per diary, named after its full path; the path is encoded so that
// its separators do not make groups of their own.
QString groupOf(const QString &diaryPath)
{
    const QString path = QFileInfo(diaryPath).absoluteFilePath();
    return QStringLiteral("StandardDay/") + QString::fromLatin1(QUrl::toPercentEncoding(path));
}

QString unitKey(GlucoseUnit unit)
{
    return unit == GlucoseUnit::MmolPerL ? QStringLiteral("mmol") : QStringLiteral("mg");
}

} // namespace

std::unique_ptr<QSettings> userSettings()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Levelbook"),
                                       QStringLiteral("Levelbook"));
}

std::optional<GlucoseUnit> rememberedUnit(QSettings &settings, const QString &diaryPath)
{
    const QString unit = settings.value(groupOf(diaryPath) + QStringLiteral("/unit")).toString();
    if (unit == unitName(GlucoseUnit::MgPerDl))
        return GlucoseUnit::MgPerDl;
    if (unit == unitName(GlucoseUnit::MmolPerL))
        return GlucoseUnit::MmolPerL;
    return std::nullopt;
}

std::optional<TargetRange> rememberedTarget(QSettings &settings, const QString &diaryPath, GlucoseUnit unit)
{
    const QString key = groupOf(diaryPath) + QLatin1Char('/') + unitKey(unit);
    bool lowOk = false, highOk = false;
    const TargetRange target{settings.value(key + QStringLiteral("Low")).toDouble(&lowOk),
                             settings.value(key + QStringLiteral("High")).toDouble(&highOk)};
    if (!lowOk || !highOk || !targetFits(unit, target))
        return std::nullopt;
    return target;
}

void rememberUnit(QSettings &settings, const QString &diaryPath, GlucoseUnit unit)
{
    settings.setValue(groupOf(diaryPath) + QStringLiteral("/unit"), unitName(unit));
}

void rememberTarget(QSettings &settings, const QString &diaryPath, GlucoseUnit unit, const TargetRange &target)
{
    if (!targetFits(unit, target))
        return;
    const QString key = groupOf(diaryPath) + QLatin1Char('/') + unitKey(unit);
    settings.setValue(key + QStringLiteral("Low"), target.low);
    settings.setValue(key + QStringLiteral("High"), target.high);
}

TargetRange targetFor(QSettings &settings, const QString &diaryPath, GlucoseUnit unit)
{
    return rememberedTarget(settings, diaryPath, unit).value_or(defaultTarget(unit));
}

StandardDayChoice standardDayChoice(QSettings &settings, const QString &diaryPath, const StandardDayReadings &readings)
{
    StandardDayChoice choice;
    choice.unit = rememberedUnit(settings, diaryPath).value_or(guessUnit(readings));
    choice.target = targetFor(settings, diaryPath, choice.unit);
    return choice;
}
