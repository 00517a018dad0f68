// The emulated external trigger signal: a short pulse every period.
#pragma once

#include <cstdint>

namespace KivraTolmEmulator {

class PulseTrain {
public:
    explicit PulseTrain(double periodMs = 0)
        : periodMs(periodMs) {}

    // Pulses at period, 2 * period, ... up to and including `seconds`.
    std::uint64_t pulsesUpTo(double seconds) const;
    // 1 while a pulse is high, else 0.
    std::uint32_t level(double seconds) const;

private:
    double periodMs;
};

} // namespace KivraTolmEmulator
