#pragma once

#include "CaptureLogReader.h"
#include "FrameStatistics.h"
#include "ShownFrame.h"
#include "TrendSource.h"
#include "TrendStore.h"

#include <array>
#include <memory>

// A frame's statistics as trend channels: no maximum without a counted
// sensor, no mean without an active one, no centre without positive weights.
KivraTolm::TrendStatistics trendStatistics(const FrameStatistics& statistics);

// The live history as the chart reads it.
class LiveTrendSource : public TrendSource {
public:
    explicit LiveTrendSource(const KivraTolm::TrendStore& store)
        : store(store) {}

    std::size_t size() const override { return store.size(); }
    std::int64_t timeAt(std::size_t i) const override { return store.timeAt(i); }
    double valueAt(int channel, std::size_t i) const override { return store.valueAt(channel, i); }
    void reduce(int channel, std::size_t from, std::size_t to, const ColumnScale& scale,
                std::vector<ColumnExtent>& extents) const override;
    std::vector<std::size_t> gapsIn(std::size_t from, std::size_t to) const override { return store.gapsIn(from, to); }

private:
    const KivraTolm::TrendStore& store;
};

// A capture log read back: its time stamps, or the row numbers when it has
// none, and the channels it logged.
class LogTrendSource : public TrendSource {
public:
    explicit LogTrendSource(std::shared_ptr<const KivraTolm::CaptureLogContent> log);

    // Time stamps to draw against: present and never going back.
    bool hasTimeStamps() const { return !log->timestamps.empty() && !log->timeGoesBack(); }
    bool hasChannel(int channel) const;
    // The unit of a channel's trace: a sensor without unit was logged raw and
    // shows as %, as in the live views.
    QString unit(int channel) const;
    const KivraTolm::CaptureLogContent& content() const { return *log; }
    std::shared_ptr<const KivraTolm::CaptureLogContent> shared() const { return log; }

    // A row as the grid shows a frame: the logged sensors, the raw ones in %;
    // when the log holds calibrated sensors, only they count.
    ShownFrame shownRow(std::size_t row) const;
    // The unit of the statistics' values: the calibration's, else %.
    QString statisticsUnit() const;
    const SensorFlags& countedSensors() const { return counted; }
    // The threshold of the statistics channels, in statisticsUnit().
    void setThreshold(double threshold);

    std::size_t size() const override { return log->rowCount; }
    std::int64_t timeAt(std::size_t i) const override { return times()[i]; }
    double valueAt(int channel, std::size_t i) const override;
    void reduce(int channel, std::size_t from, std::size_t to, const ColumnScale& scale,
                std::vector<ColumnExtent>& extents) const override;

private:
    const std::int64_t* times() const { return hasTimeStamps() ? log->timestamps.data() : rowNumbers.data(); }
    // The statistics channels, worked out for every row when first read.
    const std::vector<float>& statistic(int channel) const;

    std::shared_ptr<const KivraTolm::CaptureLogContent> log;
    std::vector<std::int64_t> rowNumbers;
    // Index into log->values per channel; -1 when the log lacks it.
    std::array<int, KivraTolm::TrendChannel::count> valueColumn;
    std::array<QString, KivraTolm::TrendChannel::count> units;
    std::array<double, KivraTolm::TrendChannel::count> factors;
    SensorFlags logged = {};
    SensorFlags counted = {};
    double threshold = 0.0;
    mutable std::array<std::vector<float>, KivraTolm::TrendChannel::statisticCount> statistics;
};
