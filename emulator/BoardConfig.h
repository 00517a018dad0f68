// What one emulated board is: its inputs, its names and where its frames
// come from. The control interface hands these to the emulator; the board
// keeps its own copy.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

// What the sensor inputs show when no frame source is set.
enum class Pattern {
    Drift,      // a few pressure spots drifting across the array, plus noise
    WalkingOne, // one sensor high at a time: frame n lights flat index n % 64
    Ramp,       // every sensor rises with the frame number and wraps
    Constant,   // every sensor holds constantValue
    Random      // uniform noise from the seed
};

// Fills one frame laid out as FrameLayout says, all zero on entry.
// frameIndex counts the board's frames since its stream was started.
using FrameSource = std::function<void(std::uint64_t frameIndex, float* floats, std::uint32_t* words)>;

struct BoardConfig {
    std::uint32_t typeId = 0x7D4035A0;
    std::string identifier = "KT-EMU-0001";
    std::string details = "KivraTolm emulated board";
    int analogInputs = 4;
    int sensorInputs = 64;
    std::vector<int> digitalPortLines = {8, 4}; // one entry per digital port: its I/O line count
    int counters = 1;
    int triggers = 1;
    int framesPerRead = 100;                    // device parameter 6
    int bufferFrames = 10000;                   // frames the board holds unread before it reports an overflow
    std::map<std::uint32_t, std::string> names; // peripheral id -> name, replacing the default
    Pattern pattern = Pattern::Drift;
    std::uint32_t seed = 1;
    float constantValue = 1.25f;        // raw sensor value of Pattern::Constant
    double counterPulsePeriodMs = 1000; // emulated external trigger pulses; 0: none
    // Frames arrive only through pushFrames(), never by the clock.
    bool manualClock = false;
    // Replaces the pattern and the emulated signals for every frame when set.
    FrameSource frameSource;
};

} // namespace KivraTolmEmulator
