#pragma once

#include "InputFrame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace KivraTolm {

// The channels a trend can draw: the 64 sensors (flat index row * 8 + column),
// the four analog inputs, the statistics of each frame and the counter.
namespace TrendChannel {
constexpr int firstAnalog = 64;
// Sum, maximum, active sensors, their mean, centre column, centre row.
constexpr int firstStatistic = 68;
constexpr int statisticCount = 6;
constexpr int counter = firstStatistic + statisticCount;
constexpr int count = counter + 1;
} // namespace TrendChannel

// A frame's statistics as the trend keeps them, in channel order; NaN where
// a figure has no value (no centre).
using TrendStatistics = std::array<float, TrendChannel::statisticCount>;

// Samples [from, to) of a ring as at most two runs of its storage.
struct RingRun {
    std::size_t begin = 0;
    std::size_t count = 0;
};

// Whether `next` continues the stream of `previous` without a gap: its frame
// number is higher (the engine numbers its frames from 0 at every start) and
// its time stamp later, but no later than the numbers between them take at
// the engine's slowest stream. A board that stopped and an engine started
// again (Retry) break the stream; so does a restart for new settings that
// left time out.
bool followsWithoutGap(const InputFrame& previous, const InputFrame& next);

// The recent history of every trend channel, so that a trace ticked later
// shows its past at once. Frames come in as shown (sensor values already
// calibrated or in %); the store keeps the newest `spanMs` milliseconds, never
// more than `capacity` frames, and drops the oldest. Storage is one ring per
// channel that grows on demand up to `capacity`, so a slow acquisition never
// holds the memory of the fastest one. Time stamps and the counter stay
// 64-bit; sensor and analog values are kept as single-precision floats.
class TrendStore {
public:
    // Ten minutes at the highest frame rate the DAQ window offers.
    static constexpr std::int64_t longestSpanMs = 10 * 60 * 1000;
    static constexpr std::size_t highestRate = 250;
    static constexpr std::size_t defaultCapacity = longestSpanMs / 1000 * highestRate;

    explicit TrendStore(std::int64_t spanMs = longestSpanMs, std::size_t capacity = defaultCapacity);

    void append(const InputFrame& shown, const TrendStatistics& statistics = {});
    void clear();

    std::size_t size() const { return count; }
    std::size_t capacity() const { return maxFrames; }
    std::int64_t spanMs() const { return span; }
    // Sample i counts from the oldest kept (0) to the newest (size() - 1).
    std::int64_t timeAt(std::size_t i) const { return times[slot(i)]; }
    std::uint64_t counterAt(std::size_t i) const { return counters[slot(i)]; }
    // The counter as a double, the others as stored.
    double valueAt(int channel, std::size_t i) const;

    // Raw storage for fast readers: index with the runs of runs().
    const std::int64_t* timeData() const { return times.data(); }
    const std::uint64_t* counterData() const { return counters.data(); }
    const float* valueData(int channel) const { return values[static_cast<std::size_t>(channel)].data(); }
    std::array<RingRun, 2> runs(std::size_t from, std::size_t to) const;

    // The samples of [from, to) that do not follow their predecessor without
    // a gap (followsWithoutGap), ascending; the trend is not drawn across them.
    std::vector<std::size_t> gapsIn(std::size_t from, std::size_t to) const;

    // The engine's slowest stream: 10 frames a second (the lowest rate, and
    // the stream behind the sample-to-sample mode).
    static constexpr std::int64_t slowestFramePeriodMs = 100;

    // Bytes per kept frame and the most the store ever holds (and 8 bytes
    // per gap among the kept frames).
    static constexpr std::size_t bytesPerFrame =
        (TrendChannel::count - 1) * sizeof(float) + sizeof(std::int64_t) + sizeof(std::uint64_t);
    std::size_t largestBytes() const { return maxFrames * bytesPerFrame; }

private:
    std::size_t slot(std::size_t i) const { return (first + i) % times.size(); }
    void grow();
    void dropOutsideSpan();

    std::int64_t span;
    std::size_t maxFrames;
    std::size_t first = 0;
    std::size_t count = 0;
    std::vector<std::int64_t> times;
    std::vector<std::uint64_t> counters;
    std::array<std::vector<float>, TrendChannel::count - 1> values;
    // The frames that follow a gap, by their place in all frames appended.
    std::deque<std::uint64_t> gaps;
    std::uint64_t appended = 0;
    InputFrame last;
};

} // namespace KivraTolm
