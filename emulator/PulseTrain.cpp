#include "PulseTrain.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace KivraTolmEmulator {

namespace {
// Frame times are n / rate; the slack keeps a pulse exactly on a frame from
// being lost to rounding (0.3 / 0.1 = 2.9999...).
constexpr double slack = 1e-9;
constexpr double pulseWidthMs = 100;
} // namespace

std::uint64_t PulseTrain::pulsesUpTo(double seconds) const {
    if (periodMs <= 0 || seconds <= 0)
        return 0;
    const double pulses = std::floor(seconds * 1000 / periodMs + slack);
    // Frames that late never arrive by the clock, but a test may push them:
    // saturate rather than convert a count no integer holds.
    if (!(pulses < 0x1p64))
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(pulses);
}

std::uint32_t PulseTrain::level(double seconds) const {
    if (periodMs <= 0 || seconds <= 0)
        return 0;
    const double sincePulse = std::fmod(seconds * 1000 + slack, periodMs);
    const std::uint64_t pulses = pulsesUpTo(seconds);
    return pulses > 0 && sincePulse < std::min(pulseWidthMs, periodMs / 2) ? 1 : 0;
}

} // namespace KivraTolmEmulator
