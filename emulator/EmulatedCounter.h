// One hardware counter fed by the emulated trigger pulses.
#pragma once

#include "PeripheralIds.h"

#include <cstdint>

namespace KivraTolmEmulator {

class EmulatedCounter {
public:
    // The pulse count of a new stream starts at 0 again.
    void restartStream() { pulsesSeen_ = 0; }
    // Takes the pulses of the stream up to the next frame; counts them when
    // enabled and connected to the trigger input.
    void advanceTo(std::uint64_t streamPulses);

    void setConfig(std::uint32_t config) { config_ = config; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    void reset() { count_ = 0; }

    std::uint32_t config() const { return config_; }
    bool enabled() const { return enabled_; }
    std::uint32_t value() const { return static_cast<std::uint32_t>(count_); }

private:
    // At power-on the counter listens to the external trigger input.
    std::uint32_t config_ = externalTriggerSource;
    bool enabled_ = false;
    std::uint64_t count_ = 0;
    std::uint64_t pulsesSeen_ = 0;
};

} // namespace KivraTolmEmulator
