#include "TrendStore.h"

#include <algorithm>

namespace KivraTolm {

namespace {

constexpr std::size_t smallestRing = 1024;

template <typename T>
std::vector<T> linearised(const std::vector<T>& ring, std::size_t first, std::size_t count, std::size_t newSize) {
    std::vector<T> result(newSize);
    for (std::size_t i = 0; i < count; ++i)
        result[i] = ring[(first + i) % ring.size()];
    return result;
}

} // namespace

bool followsWithoutGap(const InputFrame& previous, const InputFrame& next) {
    if (next.number <= previous.number || next.timestamp <= previous.timestamp)
        return false;
    const std::uint64_t frames = next.number - previous.number;
    return next.timestamp - previous.timestamp <= frames * static_cast<std::uint64_t>(TrendStore::slowestFramePeriodMs);
}

TrendStore::TrendStore(std::int64_t spanMs, std::size_t capacity)
    : span(spanMs)
    , maxFrames(std::max<std::size_t>(capacity, 1)) {}

void TrendStore::clear() {
    first = 0;
    count = 0;
    times = {};
    counters = {};
    for (auto& channel : values)
        channel = {};
    gaps.clear();
    appended = 0;
}

double TrendStore::valueAt(int channel, std::size_t i) const {
    if (channel == TrendChannel::counter)
        return static_cast<double>(counterAt(i));
    return values[static_cast<std::size_t>(channel)][slot(i)];
}

void TrendStore::grow() {
    const std::size_t newSize = std::min(maxFrames, std::max(smallestRing, times.size() * 2));
    times = linearised(times, first, count, newSize);
    counters = linearised(counters, first, count, newSize);
    for (auto& channel : values)
        channel = linearised(channel, first, count, newSize);
    first = 0;
}

void TrendStore::append(const InputFrame& shown, const TrendStatistics& statistics) {
    if (count > 0 && !followsWithoutGap(last, shown))
        gaps.push_back(appended);
    last = shown;
    ++appended;
    if (count == times.size()) {
        if (times.size() < maxFrames) {
            grow();
        } else {
            // Full: the oldest frame makes room.
            first = (first + 1) % times.size();
            --count;
        }
    }
    const std::size_t at = (first + count) % times.size();
    times[at] = static_cast<std::int64_t>(shown.timestamp);
    counters[at] = shown.counter;
    for (int index = 0; index < 64; ++index)
        values[static_cast<std::size_t>(index)][at] = shown.sensors[index / 8][index % 8];
    for (int input = 0; input < 4; ++input)
        values[static_cast<std::size_t>(TrendChannel::firstAnalog + input)][at] = shown.analog[input];
    for (int figure = 0; figure < TrendChannel::statisticCount; ++figure)
        values[static_cast<std::size_t>(TrendChannel::firstStatistic + figure)][at] =
            statistics[static_cast<std::size_t>(figure)];
    ++count;
    dropOutsideSpan();
    // A gap before the oldest frame kept separates it from nothing kept.
    while (!gaps.empty() && gaps.front() <= appended - count)
        gaps.pop_front();
}

void TrendStore::dropOutsideSpan() {
    // Exactly the span: a frame exactly `span` older than the newest is out.
    const std::int64_t newest = timeAt(count - 1);
    while (count > 1 && timeAt(0) <= newest - span) {
        first = (first + 1) % times.size();
        --count;
    }
}

std::vector<std::size_t> TrendStore::gapsIn(std::size_t from, std::size_t to) const {
    std::vector<std::size_t> result;
    const std::uint64_t oldest = appended - count;
    for (const std::uint64_t gap : gaps) {
        const auto at = static_cast<std::size_t>(gap - oldest);
        if (at >= from && at < to)
            result.push_back(at);
    }
    return result;
}

std::array<RingRun, 2> TrendStore::runs(std::size_t from, std::size_t to) const {
    std::array<RingRun, 2> result = {};
    if (to <= from || times.empty())
        return result;
    const std::size_t begin = slot(from);
    const std::size_t length = to - from;
    const std::size_t untilEnd = times.size() - begin;
    result[0] = {begin, std::min(length, untilEnd)};
    if (length > untilEnd)
        result[1] = {0, length - untilEnd};
    return result;
}

} // namespace KivraTolm
