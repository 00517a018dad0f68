#include "TrendSources.h"

#include <algorithm>
#include <limits>
#include <numeric>

using KivraTolm::CaptureLogContent;
using KivraTolm::LogColumn;
using KivraTolm::LogColumnKind;
namespace TrendChannel = KivraTolm::TrendChannel;

KivraTolm::TrendStatistics trendStatistics(const FrameStatistics& statistics) {
    constexpr float none = std::numeric_limits<float>::quiet_NaN();
    const bool centre = statistics.hasCentre;
    return {static_cast<float>(statistics.sum),
            statistics.maximumSensor >= 0 ? static_cast<float>(statistics.maximum) : none,
            static_cast<float>(statistics.activeCount),
            statistics.activeCount > 0 ? static_cast<float>(statistics.activeMean) : none,
            centre ? static_cast<float>(statistics.centreColumn) : none,
            centre ? static_cast<float>(statistics.centreRow) : none};
}

void LiveTrendSource::reduce(int channel, std::size_t from, std::size_t to, const ColumnScale& scale,
                             std::vector<ColumnExtent>& extents) const {
    for (const KivraTolm::RingRun& run : store.runs(from, to)) {
        const std::int64_t* times = store.timeData() + run.begin;
        if (channel == TrendChannel::counter)
            reduceIntoColumns(times, store.counterData() + run.begin, run.count, scale, extents);
        else
            reduceIntoColumns(times, store.valueData(channel) + run.begin, run.count, scale, extents);
    }
}

LogTrendSource::LogTrendSource(std::shared_ptr<const CaptureLogContent> content)
    : log(std::move(content)) {
    valueColumn.fill(-1);
    factors.fill(1.0);
    int next = 0;
    for (const LogColumn& column : log->columns) {
        int channel = -1;
        if (column.kind == LogColumnKind::Sensor && column.index >= 0 && column.index < 64)
            channel = column.index;
        else if (column.kind == LogColumnKind::Analog && column.index >= 0 && column.index < 4)
            channel = TrendChannel::firstAnalog + column.index;
        if (channel >= 0) {
            const auto at = static_cast<std::size_t>(channel);
            valueColumn[at] = next;
            units[at] = column.unit;
            if (column.kind == LogColumnKind::Sensor && column.unit.isEmpty()) {
                units[at] = QStringLiteral("%");
                factors[at] = 100.0;
            }
            if (column.kind == LogColumnKind::Sensor)
                logged[at] = true;
        }
        if (column.kind == LogColumnKind::Sensor || column.kind == LogColumnKind::Analog)
            ++next;
    }
    // A calibrated sensor was logged with the calibration's unit.
    bool calibrated = false;
    for (int index = 0; index < 64; ++index)
        calibrated =
            calibrated || (logged[static_cast<std::size_t>(index)] && factors[static_cast<std::size_t>(index)] == 1.0);
    for (std::size_t index = 0; index < 64; ++index)
        counted[index] = logged[index] && (!calibrated || factors[index] == 1.0);
    if (!hasTimeStamps()) {
        rowNumbers.resize(log->rowCount);
        std::iota(rowNumbers.begin(), rowNumbers.end(), std::int64_t(0));
    }
}

bool LogTrendSource::hasChannel(int channel) const {
    if (channel == TrendChannel::counter)
        return !log->counters.empty();
    if (channel >= TrendChannel::firstStatistic && channel < TrendChannel::counter)
        return anySensor(logged);
    return channel >= 0 && channel < TrendChannel::count && valueColumn[static_cast<std::size_t>(channel)] >= 0;
}

QString LogTrendSource::unit(int channel) const {
    return channel >= 0 && channel < TrendChannel::count ? units[static_cast<std::size_t>(channel)] : QString();
}

ShownFrame LogTrendSource::shownRow(std::size_t row) const {
    ShownFrame shown;
    for (std::size_t index = 0; index < 64; ++index) {
        if (logged[index])
            shown.values[index] = valueAt(static_cast<int>(index), row);
    }
    shown.included = counted;
    return shown;
}

QString LogTrendSource::statisticsUnit() const {
    for (std::size_t index = 0; index < 64; ++index) {
        if (counted[index])
            return units[index];
    }
    return QStringLiteral("%");
}

void LogTrendSource::setThreshold(double value) {
    if (value == threshold)
        return;
    threshold = value;
    for (std::vector<float>& channel : statistics)
        channel = {};
}

const std::vector<float>& LogTrendSource::statistic(int channel) const {
    const auto figure = static_cast<std::size_t>(channel - TrendChannel::firstStatistic);
    if (statistics[figure].size() != log->rowCount) {
        for (std::vector<float>& values : statistics)
            values.resize(log->rowCount);
        for (std::size_t row = 0; row < log->rowCount; ++row) {
            const ShownFrame shown = shownRow(row);
            const KivraTolm::TrendStatistics figures =
                trendStatistics(frameStatistics(shown.values, shown.included, threshold));
            for (std::size_t f = 0; f < figures.size(); ++f)
                statistics[f][row] = figures[f];
        }
    }
    return statistics[figure];
}

double LogTrendSource::valueAt(int channel, std::size_t i) const {
    if (channel == TrendChannel::counter)
        return static_cast<double>(log->counters[i]);
    if (channel >= TrendChannel::firstStatistic)
        return statistic(channel)[i];
    const auto at = static_cast<std::size_t>(channel);
    return log->values[static_cast<std::size_t>(valueColumn[at])][i] * factors[at];
}

void LogTrendSource::reduce(int channel, std::size_t from, std::size_t to, const ColumnScale& scale,
                            std::vector<ColumnExtent>& extents) const {
    if (!hasChannel(channel) || to <= from)
        return;
    if (channel == TrendChannel::counter) {
        reduceIntoColumns(times() + from, log->counters.data() + from, to - from, scale, extents);
        return;
    }
    if (channel >= TrendChannel::firstStatistic) {
        reduceIntoColumns(times() + from, statistic(channel).data() + from, to - from, scale, extents);
        return;
    }
    const auto at = static_cast<std::size_t>(channel);
    const std::vector<float>& values = log->values[static_cast<std::size_t>(valueColumn[at])];
    if (factors[at] == 1.0) {
        reduceIntoColumns(times() + from, values.data() + from, to - from, scale, extents);
        return;
    }
    // Scaling after the reduction keeps the extremes (the factor is positive).
    std::vector<ColumnExtent> raw(extents.size());
    reduceIntoColumns(times() + from, values.data() + from, to - from, scale, raw);
    const double factor = factors[at];
    for (std::size_t c = 0; c < raw.size(); ++c) {
        ColumnExtent& extent = extents[c];
        extent.noValue = extent.noValue || raw[c].noValue;
        if (raw[c].empty)
            continue;
        const ColumnExtent scaled{
            raw[c].min * factor, raw[c].max * factor, raw[c].first * factor, raw[c].last * factor, false,
            extent.noValue};
        if (extent.empty) {
            extent = scaled;
            continue;
        }
        extent.min = std::min(extent.min, scaled.min);
        extent.max = std::max(extent.max, scaled.max);
        extent.last = scaled.last;
    }
}
