// Control interface of the board emulator, for tests and tools. It is not
// part of the device library's C functions: the programs never call it.
//
// Everything here is thread-safe and may be called while a worker thread
// uses the C functions.
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

// Fills one frame: floats holds A + S values (analog, then sensors), words
// D + C + T values (digital ports, counters, triggers), all zero on entry.
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

// A failure of one C function: the first `afterCalls` calls of `function`
// succeed, then the next `times` calls (-1: all) return `status` with
// `message`. `function` is the name without the "KivraTolm" prefix, e.g.
// "SetCounterConfig".
struct Fault {
    std::string function;
    std::int32_t status = 1;
    std::string message;
    int afterCalls = 0;
    int times = -1;
};

// Back to the start-up state: the boards of the file named by the environment
// variable KIVRATOLM_EMULATOR, or one default board; no faults, no calls
// recorded, every handle closed.
void reset();

// Replaces the boards on USB (every open handle is closed).
void setBoards(const std::vector<BoardConfig>& boards);

// With manualClock: `count` more frames arrive on the board (when its stream
// runs).
void pushFrames(int board, int count);

void injectFault(const Fault& fault);
void clearFaults();

// The calls received since the last reset()/clearCalls(), oldest first, as
// text: the name without "KivraTolm", then the arguments without the handle,
// ids and masks in upper-case hex, e.g.
//   "Open(KT-EMU-0001)", "GetDeviceParameter(6)", "SetDigitalPortOutputEnableMask(0x7D401001, 0x0)",
//   "WriteDigitalPort(0x7D401001, 0x0)", "SetCounterConfig(0x7D401500, 0x7D401A00)",
//   "SetCounterEnable(0x7D401500, 1)", "ResetCounter(0x7D401500)", "SetColumnSensitivity(3, 31)",
//   "SetupInputFrame(70)", "StartDataAcquisition(0, 50, -1)", "StopDataAcquisition()", "Close()".
// ReadNonBlocking, GetErrorLength and GetError are not recorded.
std::vector<std::string> calls();
void clearCalls();

// What a board was last told, for tests to check.
struct BoardState {
    bool open = false;
    bool running = false;
    float rate = 0;
    std::vector<std::uint32_t> frameInputs;      // ids of the last SetupInputFrame
    std::vector<int> columnSensitivity;          // 8 columns, 31 nominal
    std::vector<std::uint32_t> outputEnableMask; // per digital port
    std::vector<std::uint32_t> outputValue;      // per digital port
    std::uint32_t counterConfig = 0;
    bool counterEnabled = false;
    std::uint64_t framesProduced = 0; // since the stream was last started
};
BoardState boardState(int board);

} // namespace KivraTolmEmulator
