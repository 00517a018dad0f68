// The emulated signals of one board: sensor patterns, analog waveforms and
// the external levels on digital input lines. A value depends only on the
// configuration, the frame index and its time, so the same seed gives the
// same frames.
#pragma once

#include "BoardConfig.h"

#include <array>
#include <cstdint>
#include <vector>

namespace KivraTolmEmulator {

class SignalGenerator {
public:
    explicit SignalGenerator(const BoardConfig& config);

    // Raw sensor values at nominal gain, scaled by each column's
    // sensitivity / 31.
    void sensors(std::uint64_t frame, double seconds, const std::vector<int>& columnSensitivity, float* out) const;
    // Volts.
    void analog(std::uint64_t frame, double seconds, float* out) const;
    // Bit n: the level driven from outside on line n of the port.
    std::uint32_t externalLines(int port, int lineCount, double seconds) const;

    static constexpr int nominalSensitivity = 31;
    // The high level of the walking-one pattern and the top of the ramp.
    static constexpr float fullScale = 2.5f;

private:
    struct Spot {
        double frequencyX, frequencyY, phaseX, phaseY, amplitude, sigma;
    };

    struct Position {
        double column, row;
    };
    using SpotPositions = std::array<Position, 3>;

    // Where the drifting spots are at that time; worked out once per frame.
    SpotPositions spotPositions(double seconds) const;
    float patternValue(std::uint64_t frame, const SpotPositions& spots, int sensor) const;
    float driftValue(std::uint64_t frame, const SpotPositions& spots, int sensor) const;

    Pattern pattern;
    std::uint32_t seed;
    float constantValue;
    int analogInputs;
    int sensorInputs;
    std::array<Spot, 3> hotSpots;
};

} // namespace KivraTolmEmulator
