// One hardware counter fed by the emulated trigger pulses.
#pragma once

#include "PeripheralIds.h"

#include <cstdint>

namespace KivraTolmEmulator {

class EmulatedCounter {
public:
    // The pulse count of a new stream starts at 0 again.
    void restartStream() { pulsesSeen = 0; }
    // Takes the pulses of the stream up to the next frame; counts them when
    // enabled and connected to the trigger input.
    void advanceTo(std::uint64_t streamPulses);

    void setConfig(std::uint32_t config) { configuration = config; }
    void setEnabled(bool enabled) { counting = enabled; }
    void reset() { count = 0; }

    std::uint32_t config() const { return configuration; }
    bool enabled() const { return counting; }
    std::uint32_t value() const { return static_cast<std::uint32_t>(count); }

private:
    // At power-on the counter listens to the external trigger input.
    std::uint32_t configuration = externalTriggerSource;
    bool counting = false;
    std::uint64_t count = 0;
    std::uint64_t pulsesSeen = 0;
};

} // namespace KivraTolmEmulator
