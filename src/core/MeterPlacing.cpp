#include "core/MeterPlacing.h"

namespace meter {

int Schedule::end(int) const
{
    return 1440;
}

QString Schedule::problem() const
{
    return {};
}

int Schedule::kindAt(int) const
{
    return 0;
}

const Schedule &defaultSchedule()
{
    static const Schedule schedule;
    return schedule;
}

QString scheduleText(const Schedule &)
{
    return {};
}

ScheduleRead parseSchedule(const QString &)
{
    return {};
}

QString diaryText(double, GlucoseUnit, GlucoseUnit)
{
    return {};
}

QString NotKept::text() const
{
    return {};
}

Placement place(const QList<Reading> &, const PlaceOptions &)
{
    return {};
}

} // namespace meter
