#pragma once

#include <cstdint>

namespace KivraTolm {

// How fast the board runs: a frame rate, or interval mode (interval != 0),
// where the board runs at 10 frames per second and one frame every interval
// seconds is queued.
struct AcquisitionSettings {
    double frameRate = 50.0;   // frames per second
    std::int32_t interval = 0; // seconds

    static AcquisitionSettings fromRate(double frameRate) { return {frameRate, 0}; }
    static AcquisitionSettings fromInterval(std::int32_t interval) { return {0.0, interval}; }

    bool isIntervalMode() const { return interval != 0; }
};

} // namespace KivraTolm
