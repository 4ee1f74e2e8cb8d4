#pragma once
// The unit and target range of a diary's standard day, remembered per diary
// in the user's settings (never in the diary file). Only a target that fits
// the unit (targetFits) is remembered or taken.

#include "core/StandardDay.h"

#include <QString>

#include <memory>
#include <optional>

class QSettings;

struct StandardDayChoice {
    GlucoseUnit unit = GlucoseUnit::MgPerDl;
    TargetRange target;
    bool operator==(const StandardDayChoice &) const = default;
};

// The user's settings of the program.
std::unique_ptr<QSettings> userSettings();

// What is remembered for the diary at `diaryPath`, if anything. A target
// range is remembered for each unit; one that is not a sound range counts as
// none.
std::optional<GlucoseUnit> rememberedUnit(QSettings &settings, const QString &diaryPath);
std::optional<TargetRange> rememberedTarget(QSettings &settings, const QString &diaryPath, GlucoseUnit unit);
void rememberUnit(QSettings &settings, const QString &diaryPath, GlucoseUnit unit);
void rememberTarget(QSettings &settings, const QString &diaryPath, GlucoseUnit unit, const TargetRange &target);

// The choice for a diary: the remembered unit, or else the one the readings
// suggest; the target range remembered for that unit, or else its usual one.
StandardDayChoice standardDayChoice(QSettings &settings, const QString &diaryPath, const StandardDayReadings &readings);
// The target remembered for the unit, or its usual one.
TargetRange targetFor(QSettings &settings, const QString &diaryPath, GlucoseUnit unit);
