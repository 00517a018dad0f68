// One emulated board: what it was told, and its frame stream, which runs by
// the monotonic clock. Not thread-safe on its own; the Emulator serialises
// every call.
#pragma once

#include "BoardAccess.h"
#include "BoardConfig.h"
#include "BoardState.h"
#include "EmulatedCounter.h"
#include "FrameLayout.h"
#include "FramePacer.h"
#include "FrameQueue.h"
#include "PulseTrain.h"
#include "SignalGenerator.h"
#include "Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

class Board : public BoardAccess {
public:
    using Clock = FramePacer::Clock;

    explicit Board(BoardConfig config);

    const BoardConfig& config() const { return boardConfig; }
    bool isOpen() const { return boardHandle >= 0; }
    std::int32_t handle() const { return boardHandle; }

    // Opening keeps what the board was told before: it stays powered.
    void open(std::int32_t handle) { boardHandle = handle; }
    void close();

    CallResult parameter(std::int32_t number, std::int32_t& value) override;
    CallResult peripheralName(std::uint32_t id, std::string& name) override;
    CallResult lineCount(std::uint32_t portId, std::int32_t& count) override;
    CallResult lineName(std::uint32_t portId, std::int32_t line, std::string& name) override;
    CallResult setOutputEnableMask(std::uint32_t portId, std::uint32_t mask) override;
    CallResult writePort(std::uint32_t portId, std::uint32_t value) override;
    CallResult setCounterConfig(std::uint32_t counterId, std::uint32_t configuration) override;
    CallResult setCounterEnable(std::uint32_t counterId, std::int32_t enable) override;
    CallResult resetCounter(std::uint32_t counterId) override;
    CallResult setColumnSensitivity(std::int32_t column, std::int32_t value) override;
    CallResult setupInputFrame(const std::vector<std::uint32_t>& ids) override;
    // The flag and the reserved argument change nothing on this board.
    CallResult start(std::int32_t flag, float rate, std::int32_t reserved, float& actualRate) override;
    CallResult stop() override;
    // Moves at most framesPerRead pending frames into the buffers.
    CallResult read(float* floats, std::uint32_t* words, std::int32_t& count) override;
    FrameLayout frameLayout() const override { return layout; }

    void pushFrames(int count);
    BoardState state();

    static constexpr int sensitivityColumns = 8;
    static constexpr int maxSensitivity = 63;
    static constexpr float maxRate = 100000;

private:
    CallResult findPort(std::uint32_t id, int& index) const;
    CallResult findCounter(std::uint32_t id, int& index) const;
    std::uint32_t lineMask(int port) const;
    // The refusal of bits beyond the port's lines; `what` names the argument.
    CallResult linesMissing(const std::string& what, std::uint32_t portId, int port) const;
    // Sets a port's output enable mask or output value, `words`, refusing
    // bits beyond its lines; `what` and `verb` name the argument in the refusal.
    CallResult setPortWord(std::vector<std::uint32_t>& words, std::uint32_t portId, std::uint32_t word,
                           const char* what, const char* verb);

    // Lets the frames due by the clock arrive, so that a change of settings
    // only affects frames after it.
    void catchUp();
    void arrive(std::uint64_t count);
    void makeFrame(std::uint64_t index, float* floats, std::uint32_t* words);

    BoardConfig boardConfig;
    FrameLayout layout;
    SignalGenerator signalGenerator;
    PulseTrain pulseTrains;
    std::int32_t boardHandle = -1;

    std::vector<int> columnSensitivity;
    std::vector<std::uint32_t> outputEnableMask;
    std::vector<std::uint32_t> outputValue;
    std::vector<EmulatedCounter> counters;
    std::vector<std::uint32_t> frameInputs;

    bool running = false;
    float frameRate = 0;
    FramePacer pacer;
    std::uint64_t framesProduced = 0;
    std::uint64_t framesDropped = 0; // by an overflow not reported yet
    bool overflowed = false;
    FrameQueue pending;
    std::vector<float> frameFloats;
    std::vector<std::uint32_t> frameWords;
};

} // namespace KivraTolmEmulator
