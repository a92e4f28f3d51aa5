#pragma once

#include <QString>

// How long round trips and loss are kept (ExtraSettings names, their
// defaults and bounds). Daily rows are kept for ever.
namespace LatencySettings {

inline const QString RawDays = QStringLiteral("latency.raw_days");
inline const QString HourlyYears = QStringLiteral("latency.hourly_years");
constexpr int DefaultRawDays = 14;
constexpr int MinRawDays = 1;
constexpr int MaxRawDays = 366;
constexpr int DefaultHourlyYears = 5;
constexpr int MinHourlyYears = 1;
constexpr int MaxHourlyYears = 50;

} // namespace LatencySettings
