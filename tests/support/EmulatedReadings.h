// Makes the emulated board deliver fixed sensor readings that a test can
// change while the engine runs. Readings are in the engine's units (the
// board's raw value / 2.5), index row * 8 + column.
#pragma once

#include "EmulatorControl.h"
#include "FrameLayout.h"

#include <array>
#include <atomic>

class EmulatedReadings {
public:
    static EmulatedReadings& instance() {
        static EmulatedReadings readings;
        return readings;
    }

    // One board on USB whose frames carry the current readings.
    void installBoard() {
        KivraTolmEmulator::reset();
        KivraTolmEmulator::BoardConfig board;
        const std::size_t firstSensor = KivraTolmEmulator::FrameLayout::of(board).firstSensor();
        board.frameSource = [this, firstSensor](std::uint64_t, float* floats, std::uint32_t*) {
            for (std::size_t i = 0; i < values.size(); ++i)
                floats[firstSensor + i] = values[i].load() * 2.5f;
        };
        KivraTolmEmulator::setBoards({board});
    }

    void setAll(float reading) {
        for (auto& value : values)
            value.store(reading);
    }
    void set(int column, int row, float reading) { values[row * 8 + column].store(reading); }
    float get(int column, int row) const { return values[row * 8 + column].load(); }

private:
    std::array<std::atomic<float>, 64> values = {};
};
