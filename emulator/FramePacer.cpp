#include "FramePacer.h"

#include <cmath>

namespace KivraTolmEmulator {

std::uint64_t FramePacer::framesDue(Clock::time_point now) const {
    if (now <= startTime || framesPerSecond <= 0)
        return 0;
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - startTime).count();
    // Exact in a double for centuries of nanoseconds times any sane rate.
    return static_cast<std::uint64_t>(std::floor(static_cast<double>(elapsed) * framesPerSecond / 1e9));
}

} // namespace KivraTolmEmulator
