#include "TrendZoom.h"

#include <cmath>

namespace TrendZoom {

double wheelFactor(int angleDelta) {
    return std::pow(1.25, -angleDelta / 120.0);
}

TrendWindow zoomAround(const TrendWindow& view, double anchor, double factor, double shortest, double longest) {
    const double span = std::clamp(view.span * factor, shortest, std::max(shortest, longest));
    const double share = (anchor - (view.end - view.span)) / view.span;
    return {anchor - share * span + span, span};
}

TrendWindow panBy(const TrendWindow& view, double pixels, int plotWidth) {
    return {view.end - pixels * view.span / std::max(plotWidth, 1), view.span};
}

TrendWindow boxWindow(double from, double to, double shortest) {
    const double low = std::min(from, to);
    const double high = std::max(from, to);
    if (high - low >= shortest)
        return {high, high - low};
    const double middle = (low + high) / 2;
    return {middle + shortest / 2, shortest};
}

double keptEnd(double end, double span, double first, double last) {
    if (span <= last - first)
        return std::clamp(end, first + span, last);
    return std::clamp(end, last, first + span);
}

double valueAtY(const TrendAxis::ValueRange& range, double top, double height, double y) {
    return range.low + (top + height - y) / height * (range.high - range.low);
}

TrendAxis::ValueRange boxRange(double low, double high, int maxTicks) {
    if (high < low)
        std::swap(low, high);
    if (!(high > low))
        return TrendAxis::niceRange(low, high, maxTicks);
    return {low, high, TrendAxis::niceStep(high - low, maxTicks)};
}

double framePeriod(const std::vector<double>& timesAround) {
    std::vector<double> steps;
    for (std::size_t i = 1; i < timesAround.size(); ++i)
        steps.push_back(timesAround[i] - timesAround[i - 1]);
    if (steps.empty())
        return 1.0;
    const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle > 0.0 ? *middle : 1.0;
}

} // namespace TrendZoom
