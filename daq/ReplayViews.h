#pragma once

#include <array>

class Grid8x8Widget;
class LogReplay;
class SensorWidget;

// The bar graphs and the grid as a replay shows a log's row in them. The
// live set-up (single mode, points, units, enabled sensors) is the owner's
// to put back afterwards, together with clearReplayMarks.
namespace ReplayViews {

using Bars = std::array<SensorWidget*, 8>;

// Every bar shown, the points, unit and marks of the replayed log; the
// trigger level hidden, so that no click changes the live trigger.
void prepare(const LogReplay& replay, const Bars& bars, Grid8x8Widget* grid);
// The replay's row in every view, repainted at once.
void show(const LogReplay& replay, const Bars& bars, Grid8x8Widget* grid);
// Bars and cells show readings again.
void clearReplayMarks(const Bars& bars, Grid8x8Widget* grid);

} // namespace ReplayViews
