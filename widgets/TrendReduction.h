#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

// The chart draws a trace as one vertical stroke per pixel column, from the
// smallest to the largest sample the column covers, joined to the next column
// from the column's last sample. However many samples a column holds, none of
// their extremes is lost, and the work per paint depends on the samples only
// once.

// Which pixel column a time falls into: column k covers
// [start + k * msPerColumn, start + (k + 1) * msPerColumn).
struct ColumnScale {
    double start = 0.0;
    double msPerColumn = 1.0;
    int columns = 0;

    int columnOf(double time) const { return static_cast<int>(std::floor((time - start) / msPerColumn)); }
};

// A view [end - span, end] of the time axis.
struct TrendWindow {
    double end = 0.0;
    double span = 1.0;
};

// The view that holds the times first..last (ms or rows), half a unit inside
// either edge: the columns are half open, so a view ending on the last time
// would leave that sample out, and a single time still gets a width.
inline TrendWindow windowHolding(double first, double last) {
    return {last + 0.5, last - first + 1.0};
}

// What one pixel column shows of one trace.
struct ColumnExtent {
    double min = 0.0;
    double max = 0.0;
    double first = 0.0;   // value of the column's earliest sample
    double last = 0.0;    // value of its latest sample
    bool empty = true;    // no sample with a value
    bool noValue = false; // a sample without one (nan, inf): the trace breaks here
};

// Adds the samples (times[i], values[i]) to `extents` (sized to
// scale.columns). Samples outside the columns are left out, and values that
// are not finite numbers only mark their column (noValue): they count for
// neither the extremes nor the axis. Call once per contiguous run, oldest
// first.
template <typename Value>
void reduceIntoColumns(const std::int64_t* times, const Value* values, std::size_t count, const ColumnScale& scale,
                       std::vector<ColumnExtent>& extents) {
    std::size_t i = 0;
    while (i < count) {
        const int column = scale.columnOf(static_cast<double>(times[i]));
        if (column < 0 || column >= scale.columns) {
            ++i;
            continue;
        }
        // The integer times of this column, the same ones columnOf() gives
        // it: the inner loop then needs no division and no conversion.
        auto startOf = [&scale](int c) {
            std::int64_t t = static_cast<std::int64_t>(std::ceil(scale.start + c * scale.msPerColumn));
            while (scale.columnOf(static_cast<double>(t - 1)) >= c)
                --t;
            while (scale.columnOf(static_cast<double>(t)) < c)
                ++t;
            return t;
        };
        const std::int64_t low = startOf(column);
        const std::int64_t high = startOf(column + 1);
        ColumnExtent& extent = extents[static_cast<std::size_t>(column)];
        for (; i < count && times[i] >= low && times[i] < high; ++i) {
            const Value raw = values[i];
            const double value = static_cast<double>(raw);
            if (!std::isfinite(value)) {
                extent.noValue = true;
                continue;
            }
            if (extent.empty) {
                extent = {value, value, value, value, false};
                continue;
            }
            if (value < extent.min)
                extent.min = value;
            else if (value > extent.max)
                extent.max = value;
            extent.last = value;
        }
    }
}

// The columns a trace is not joined into from the left: those where the
// first sample after a gap lies, given the times of the last sample before
// and the first after each gap. A gap within one column breaks nothing.
inline std::vector<bool> columnsAfterGaps(const ColumnScale& scale,
                                          const std::vector<std::pair<std::int64_t, std::int64_t>>& gaps) {
    std::vector<bool> breaks(static_cast<std::size_t>(std::max(scale.columns, 0)), false);
    for (const auto& gap : gaps) {
        const int before = scale.columnOf(static_cast<double>(gap.first));
        const int after = scale.columnOf(static_cast<double>(gap.second));
        if (after > before && after >= 0 && after < scale.columns)
            breaks[static_cast<std::size_t>(after)] = true;
    }
    return breaks;
}

// Index of the first of `count` ascending times that is not before `time`
// (count when there is none). `timeAt(i)` gives time i.
template <typename TimeAt> std::size_t firstSampleFrom(std::size_t count, const TimeAt& timeAt, double time) {
    std::size_t low = 0;
    std::size_t high = count;
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (static_cast<double>(timeAt(middle)) < time)
            low = middle + 1;
        else
            high = middle;
    }
    return low;
}

// Index of the sample whose time is nearest to `time`; of two equally near,
// the earlier. Needs count > 0.
template <typename TimeAt> std::size_t nearestSample(std::size_t count, const TimeAt& timeAt, double time) {
    const std::size_t after = firstSampleFrom(count, timeAt, time);
    if (after == 0)
        return 0;
    if (after == count)
        return count - 1;
    const double before = time - static_cast<double>(timeAt(after - 1));
    const double later = static_cast<double>(timeAt(after)) - time;
    return later < before ? after : after - 1;
}
