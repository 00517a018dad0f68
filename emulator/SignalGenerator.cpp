#include "SignalGenerator.h"

#include "Noise.h"

#include <cmath>

namespace KivraTolmEmulator {

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr int columns = 8;
// Keeps overlapping spots near the top of the raw range (about 3).
constexpr double saturation = 3.0;

double triangle(double phase) // phase in periods; 0..1..0
{
    const double x = phase - std::floor(phase);
    return x < 0.5 ? 2 * x : 2 - 2 * x;
}

} // namespace

SignalGenerator::SignalGenerator(const BoardConfig& config)
    : pattern(config.pattern)
    , seed(config.seed)
    , constantValue(config.constantValue)
    , analogInputs(config.analogInputs)
    , sensorInputs(config.sensorInputs) {
    for (std::size_t i = 0; i < hotSpots.size(); ++i) {
        auto param = [&](int which) {
            return unitNoise(seed, 0xC0FFEE, i * 16 + which);
        };
        hotSpots[i] = Spot{0.03 + 0.09 * param(0), 0.03 + 0.09 * param(1), twoPi * param(2),
                           twoPi * param(3),       1.6 + 0.9 * param(4),   0.9 + 0.6 * param(5)};
    }
}

void SignalGenerator::sensors(std::uint64_t frame, double seconds, const std::vector<int>& columnSensitivity,
                              float* out) const {
    const SpotPositions spots = pattern == Pattern::Drift ? spotPositions(seconds) : SpotPositions{};
    for (int i = 0; i < sensorInputs; ++i) {
        const int sensitivity = columnSensitivity[static_cast<std::size_t>(i % columns)];
        out[i] = patternValue(frame, spots, i) * static_cast<float>(sensitivity) / nominalSensitivity;
    }
}

SignalGenerator::SpotPositions SignalGenerator::spotPositions(double seconds) const {
    SpotPositions positions{};
    for (std::size_t i = 0; i < hotSpots.size(); ++i) {
        const Spot& spot = hotSpots[i];
        positions[i] = Position{3.5 + 3.2 * std::sin(twoPi * spot.frequencyX * seconds + spot.phaseX),
                                3.5 + 3.2 * std::sin(twoPi * spot.frequencyY * seconds + spot.phaseY)};
    }
    return positions;
}

float SignalGenerator::patternValue(std::uint64_t frame, const SpotPositions& spots, int sensor) const {
    switch (pattern) {
    case Pattern::Drift:
        return driftValue(frame, spots, sensor);
    case Pattern::WalkingOne:
        return frame % static_cast<std::uint64_t>(sensorInputs) == static_cast<std::uint64_t>(sensor) ? fullScale
                                                                                                      : 0.0f;
    case Pattern::Ramp: {
        constexpr std::uint64_t steps = 64;
        return fullScale * static_cast<float>((frame + static_cast<std::uint64_t>(sensor)) % steps) / steps;
    }
    case Pattern::Constant:
        return constantValue;
    case Pattern::Random:
        return fullScale * static_cast<float>(unitNoise(seed, frame, static_cast<std::uint64_t>(sensor)));
    }
    return 0.0f;
}

float SignalGenerator::driftValue(std::uint64_t frame, const SpotPositions& spots, int sensor) const {
    const double column = sensor % columns;
    const double row = sensor / columns;
    double value = 0.1;
    for (std::size_t i = 0; i < hotSpots.size(); ++i) {
        const Spot& spot = hotSpots[i];
        const double dx = column - spots[i].column;
        const double dy = row - spots[i].row;
        const double distance2 = dx * dx + dy * dy;
        value += spot.amplitude * std::exp(-distance2 / (2 * spot.sigma * spot.sigma));
    }
    value = saturation * std::tanh(value / saturation);
    value += 0.04 * (unitNoise(seed, frame, static_cast<std::uint64_t>(sensor)) - 0.5);
    return static_cast<float>(std::max(0.0, value));
}

void SignalGenerator::analog(std::uint64_t frame, double seconds, float* out) const {
    for (int i = 0; i < analogInputs; ++i) {
        const double slow = 1.0 + i / 4; // later groups of four run a little faster
        double volts = 0;
        switch (i % 4) {
        case 0: // sine
            volts = 2.5 + 2.0 * std::sin(twoPi * 0.2 * slow * seconds);
            break;
        case 1: // triangle
            volts = 5.0 * triangle(seconds / 8.0 * slow);
            break;
        case 2: { // sawtooth
            const double phase = seconds / 5.0 * slow;
            volts = 5.0 * (phase - std::floor(phase));
            break;
        }
        default: // a slowly wandering level with a little noise
            volts = 1.2 + 0.3 * std::sin(twoPi * 0.05 * slow * seconds) +
                    0.01 * (unitNoise(seed, frame, 0xA000 + static_cast<std::uint64_t>(i)) - 0.5);
            break;
        }
        out[i] = static_cast<float>(volts);
    }
}

std::uint32_t SignalGenerator::externalLines(int port, int lineCount, double seconds) const {
    std::uint32_t levels = 0;
    for (int line = 0; line < lineCount; ++line) {
        const double halfPeriod = 1.0 + 0.5 * line + 0.25 * port;
        // High in every second half period; fmod keeps any frame time, however
        // late, away from an integer conversion.
        if (std::fmod(seconds, 2 * halfPeriod) >= halfPeriod)
            levels |= 1u << line;
    }
    return levels;
}

} // namespace KivraTolmEmulator
