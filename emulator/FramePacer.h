// How many frames a stream has produced by the monotonic clock. The count is
// taken from the start time every time, so rounding never accumulates: the
// stream neither stalls nor drifts however often it is asked.
#pragma once

#include <chrono>
#include <cstdint>

namespace KivraTolmEmulator {

class FramePacer {
public:
    using Clock = std::chrono::steady_clock;

    void start(Clock::time_point now, double rate) {
        startTime = now;
        framesPerSecond = rate;
    }

    // floor(elapsed seconds * rate); 0 before the start.
    std::uint64_t framesDue(Clock::time_point now) const;

private:
    Clock::time_point startTime{};
    double framesPerSecond = 0;
};

} // namespace KivraTolmEmulator
