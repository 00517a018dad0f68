// Small helpers for tests of the emulated board's C functions: the calls as
// a test uses them, with the message of a failed call at hand.
#pragma once

#include "EmulatorControl.h"
#include "FrameLayout.h"
#include "kivratolm.h"

#include <cstdint>
#include <string>
#include <vector>

namespace EmulatorTest {

constexpr std::uint32_t digitalPort0 = 0x7D401000;
constexpr std::uint32_t ioPort = 0x7D401001;
constexpr std::uint32_t analog0 = 0x7D401100;
constexpr std::uint32_t counter0 = 0x7D401500;
constexpr std::uint32_t trigger0 = 0x7D401600;
constexpr std::uint32_t sensor0 = 0x7D401B00;
constexpr std::uint32_t externalTrigger = 0x7D401A00;
constexpr std::uint32_t kivraTolmType = 0x7D4035A0;

// The message of a status, read as the device layer reads it.
inline std::string errorText(std::int32_t status) {
    const std::int32_t length = KivraTolmGetErrorLength(status);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, 'X');
    KivraTolmGetError(status, buffer.data());
    return std::string(buffer.data());
}

// A board of the default layout whose frames arrive only by pushFrames().
inline KivraTolmEmulator::BoardConfig manualBoard() {
    KivraTolmEmulator::BoardConfig config;
    config.manualClock = true;
    return config;
}

inline std::int32_t openBoard(const char* identifier = "KT-EMU-0001") {
    std::int32_t handle = -1;
    KivraTolmOpen(identifier, &handle);
    return handle;
}

// One read with buffers sized like the device layer's.
struct Frames {
    std::int32_t status = 0;
    int count = 0;
    int floatsPerFrame = 0;
    int wordsPerFrame = 0;
    std::vector<float> floats;
    std::vector<std::uint32_t> words;

    float value(int frame, int index) const { return floats[static_cast<std::size_t>(frame * floatsPerFrame + index)]; }
    std::uint32_t word(int frame, int index) const {
        return words[static_cast<std::size_t>(frame * wordsPerFrame + index)];
    }
};

inline Frames readFrames(std::int32_t handle, const KivraTolmEmulator::BoardConfig& config) {
    Frames frames;
    const KivraTolmEmulator::FrameLayout layout = KivraTolmEmulator::FrameLayout::of(config);
    frames.floatsPerFrame = static_cast<int>(layout.floats());
    frames.wordsPerFrame = static_cast<int>(layout.words());
    frames.floats.assign(static_cast<std::size_t>(frames.floatsPerFrame * config.framesPerRead), 0.0f);
    frames.words.assign(static_cast<std::size_t>(frames.wordsPerFrame * config.framesPerRead), 0u);
    std::int32_t count = -1;
    frames.status = KivraTolmReadNonBlocking(handle, frames.floats.data(), frames.words.data(), &count);
    frames.count = count;
    return frames;
}

inline std::int32_t start(std::int32_t handle, float rate) {
    float actual = 0;
    return KivraTolmStartDataAcquisition(handle, 0, rate, -1, &actual);
}

} // namespace EmulatorTest
