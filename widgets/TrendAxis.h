#pragma once

#include <QString>
#include <QVector>

#include <cstdint>

// Tick marks of the trend chart's axes: value steps of 1, 2 or 5 times a
// power of ten, time steps that a clock reader expects (1 s, 15 s, 1 min, ...)
// on whole local-time boundaries.
namespace TrendAxis {

// The smallest 1, 2 or 5 x 10^n that divides `range` into at most `maxTicks`
// steps. A range that is not positive gives 1.
double niceStep(double range, int maxTicks);

struct ValueRange {
    double low = 0.0;
    double high = 1.0;
    double step = 1.0;
};

// [low, high] widened to whole steps of niceStep; an empty range (low ==
// high) is widened around its value first.
ValueRange niceRange(double low, double high, int maxTicks);

// The multiples of range.step from range.low to range.high, both included.
QVector<double> valueTicks(const ValueRange& range);

// The smallest step of the time scale (1 ms .. 1 day) that divides `spanMs`
// into at most `maxTicks` steps.
std::int64_t timeStep(double spanMs, int maxTicks);

// The times in [startMs, endMs] that are whole multiples of `stepMs` in local
// time, which lies `utcOffsetSeconds` ahead of UTC.
QVector<std::int64_t> timeTicks(double startMs, double endMs, std::int64_t stepMs, int utcOffsetSeconds);

// Local time of a tick: "hh:mm:ss", with ".zzz" for steps under a second.
QString timeLabel(std::int64_t ms, std::int64_t stepMs);

// A value as the axis prints it, with as many decimals as the step needs.
QString valueLabel(double value, double step);

} // namespace TrendAxis
