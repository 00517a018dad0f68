// Reproducible noise: a value depends only on the seed and its coordinates,
// never on how frames were split between reads.
#pragma once

#include <cstdint>

namespace KivraTolmEmulator {

std::uint64_t mix(std::uint64_t value);

// Uniform in [0, 1).
double unitNoise(std::uint64_t seed, std::uint64_t a, std::uint64_t b = 0);

} // namespace KivraTolmEmulator
