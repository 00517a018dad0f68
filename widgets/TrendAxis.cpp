#include "TrendAxis.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>

namespace TrendAxis {

double niceStep(double range, int maxTicks) {
    if (!(range > 0.0) || !std::isfinite(range) || maxTicks < 1)
        return 1.0;
    const double rough = range / maxTicks;
    double power = std::pow(10.0, std::floor(std::log10(rough)));
    for (;;) {
        for (const double factor : {1.0, 2.0, 5.0}) {
            if (factor * power >= rough * (1.0 - 1e-12))
                return factor * power;
        }
        power *= 10.0;
    }
}

ValueRange niceRange(double low, double high, int maxTicks) {
    if (!std::isfinite(low) || !std::isfinite(high))
        return {};
    if (high < low)
        std::swap(low, high);
    if (high == low) {
        const double margin = low == 0.0 ? 1.0 : std::abs(low) * 0.1;
        low -= margin;
        high += margin;
    }
    const double step = niceStep(high - low, maxTicks);
    return {std::floor(low / step) * step, std::ceil(high / step) * step, step};
}

QVector<double> valueTicks(const ValueRange& range) {
    QVector<double> ticks;
    // Whole steps inside the range; a box's range need not start on one.
    const long long firstIndex = static_cast<long long>(std::ceil(range.low / range.step - 1e-9));
    const long long lastIndex = static_cast<long long>(std::floor(range.high / range.step + 1e-9));
    for (long long index = firstIndex; index <= lastIndex && ticks.size() < 1000; ++index)
        ticks.append(static_cast<double>(index) * range.step);
    return ticks;
}

std::int64_t timeStep(double spanMs, int maxTicks) {
    static constexpr std::array<std::int64_t, 25> steps = {
        1,     2,     5,     10,     20,     50,     100,    200,     500,     1000,    2000,     5000,    10000,
        15000, 30000, 60000, 120000, 300000, 600000, 900000, 1800000, 3600000, 7200000, 21600000, 86400000};
    for (const std::int64_t step : steps) {
        if (spanMs / static_cast<double>(step) <= maxTicks)
            return step;
    }
    return steps.back();
}

QVector<std::int64_t> timeTicks(double startMs, double endMs, std::int64_t stepMs, int utcOffsetSeconds) {
    QVector<std::int64_t> ticks;
    if (stepMs <= 0 || endMs < startMs)
        return ticks;
    const std::int64_t offset = static_cast<std::int64_t>(utcOffsetSeconds) * 1000;
    const double localStart = startMs + static_cast<double>(offset);
    std::int64_t tick = static_cast<std::int64_t>(std::ceil(localStart / static_cast<double>(stepMs))) * stepMs;
    for (; static_cast<double>(tick - offset) <= endMs && ticks.size() < 1000; tick += stepMs)
        ticks.append(tick - offset);
    return ticks;
}

QString timeLabel(std::int64_t ms, std::int64_t stepMs) {
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(ms);
    return time.toString(stepMs < 1000 ? QStringLiteral("hh:mm:ss.zzz") : QStringLiteral("hh:mm:ss"));
}

QString valueLabel(double value, double step) {
    const int decimals = step >= 1.0 ? 0 : std::min(9, static_cast<int>(std::ceil(-std::log10(step) - 1e-9)));
    // -0.0 after rounding prints as "-0".
    const double shown = std::abs(value) < step * 1e-6 ? 0.0 : value;
    return QLocale().toString(shown, 'f', decimals);
}

} // namespace TrendAxis
