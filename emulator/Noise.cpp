#include "Noise.h"

namespace KivraTolmEmulator {

std::uint64_t mix(std::uint64_t value) {
    // splitmix64 finaliser
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

double unitNoise(std::uint64_t seed, std::uint64_t a, std::uint64_t b) {
    const std::uint64_t bits = mix(mix(mix(seed) ^ a) ^ b);
    return static_cast<double>(bits >> 11) * (1.0 / 9007199254740992.0);
}

} // namespace KivraTolmEmulator
