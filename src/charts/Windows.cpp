#include "charts/Windows.h"

#include "charts/LineChart.h"
#include "charts/StandardDayWindow.h"
#include "core/ReadingKind.h"
#include "platform/WindowRegistry.h"

void registerChartsWindows(WindowRegistry &registry)
{
    for (int kind = 0; kind < kReadingKinds; ++kind)
        registry.addWindow(QLatin1String(readingKinds()[size_t(kind)].chartWindow),
                           [kind](Shell &s) { return new LineChart(s, kind); });
    registry.addWindow(QStringLiteral("StandardDay"), [](Shell &s) { return new StandardDayWindow(s); });
}
