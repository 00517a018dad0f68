#pragma once

#include "TrendAxis.h"
#include "TrendReduction.h"

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

// Zooming, moving and cursor arithmetic of the trend chart, without a display:
// the chart turns wheel turns, drags and boxes into views with these, and the
// Trend tab picks a log's rows between two cursors. Times are ms, or rows for
// a log without time stamps.
namespace TrendZoom {

// The narrowest view: this many frames, so that a 200 ms pre-trigger window
// at 50 frames/s still fills the plot.
constexpr int fewestFrames = 10;

// The span factor of a wheel turn of `angleDelta` eighths of a degree: a
// notch (120) forwards zooms in by 1.25, backwards out by as much.
double wheelFactor(int angleDelta);

// `view` with its span times `factor`, kept within [shortest, longest], and
// `anchor` at the same place across the plot.
TrendWindow zoomAround(const TrendWindow& view, double anchor, double factor, double shortest, double longest);

// `view` moved as far as a drag of `pixels` to the right across a plot
// `plotWidth` pixels wide moves its content: what was under the pointer stays
// under it.
TrendWindow panBy(const TrendWindow& view, double pixels, int plotWidth);

// The view from one time to another (in either order), widened about its
// middle to `shortest`.
TrendWindow boxWindow(double from, double to, double shortest);

// The end a view of `span` may take over data from `first` to `last`: it
// stays on the data, and a view wider than the data holds all of it.
double keptEnd(double end, double span, double first, double last);

// The value at height `y` of a plot from `top` to `top + height` showing
// `range` (bottom to top).
double valueAtY(const TrendAxis::ValueRange& range, double top, double height, double y);

// Exactly [low, high] (in either order) with ticks on whole steps: the value
// axis of a box, which is not widened to its steps.
TrendAxis::ValueRange boxRange(double low, double high, int maxTicks);

// The typical time between frames: the median step of ascending sample
// times, so that a gap in the acquisition does not count. 1 when there are
// fewer than two.
double framePeriod(const std::vector<double>& timesAround);

// Up to `each` samples either side of the first sample not before `time`.
template <typename TimeAt>
std::vector<double> timesAround(std::size_t count, const TimeAt& timeAt, double time, std::size_t each = 16) {
    const std::size_t middle = firstSampleFrom(count, timeAt, time);
    const std::size_t from = middle > each ? middle - each : 0;
    const std::size_t to = std::min(count, middle + each);
    std::vector<double> times;
    for (std::size_t i = from; i < to; ++i)
        times.push_back(static_cast<double>(timeAt(i)));
    return times;
}

// The samples [from, to) from the one nearest to cursor `a` to the one
// nearest to cursor `b`, both included, whichever comes first. Needs count > 0.
template <typename TimeAt>
std::pair<std::size_t, std::size_t> rowsBetween(std::size_t count, const TimeAt& timeAt, double a, double b) {
    const std::size_t first = nearestSample(count, timeAt, std::min(a, b));
    const std::size_t last = nearestSample(count, timeAt, std::max(a, b));
    return {first, last + 1};
}

} // namespace TrendZoom
