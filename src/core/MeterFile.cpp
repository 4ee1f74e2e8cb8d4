#include "core/MeterFile.h"

namespace meter {

bool isMeterLayout(const QByteArray &)
{
    return false;
}

FileRead readMeterFile(const QByteArray &, const ReadOptions &)
{
    FileRead read;
    read.failure = QStringLiteral("This file cannot be read.");
    return read;
}

QString sourceName(Source source)
{
    switch (source) {
    case Source::FingerStick: return QStringLiteral("finger-stick");
    case Source::Scan: return QStringLiteral("scan");
    case Source::Sensor: return QStringLiteral("sensor");
    }
    return {};
}

} // namespace meter
