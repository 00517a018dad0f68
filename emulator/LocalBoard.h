// A board emulated in this process, seen through BoardAccess: every call
// happens at the present time of the monotonic clock.
#pragma once

#include "Board.h"
#include "BoardAccess.h"

namespace KivraTolmEmulator {

class LocalBoard : public BoardAccess {
public:
    explicit LocalBoard(Board& board)
        : board_(board) {}

    CallResult parameter(std::int32_t number, std::int32_t& value) override { return board_.parameter(number, value); }
    CallResult peripheralName(std::uint32_t id, std::string& name) override { return board_.peripheralName(id, name); }
    CallResult lineCount(std::uint32_t portId, std::int32_t& count) override { return board_.lineCount(portId, count); }
    CallResult lineName(std::uint32_t portId, std::int32_t line, std::string& name) override {
        return board_.lineName(portId, line, name);
    }
    CallResult setOutputEnableMask(std::uint32_t portId, std::uint32_t mask) override {
        return board_.setOutputEnableMask(portId, mask, now());
    }
    CallResult writePort(std::uint32_t portId, std::uint32_t value) override {
        return board_.writePort(portId, value, now());
    }
    CallResult setCounterConfig(std::uint32_t counterId, std::uint32_t configuration) override {
        return board_.setCounterConfig(counterId, configuration, now());
    }
    CallResult setCounterEnable(std::uint32_t counterId, std::int32_t enable) override {
        return board_.setCounterEnable(counterId, enable, now());
    }
    CallResult resetCounter(std::uint32_t counterId) override { return board_.resetCounter(counterId, now()); }
    CallResult setColumnSensitivity(std::int32_t column, std::int32_t value) override {
        return board_.setColumnSensitivity(column, value, now());
    }
    CallResult setupInputFrame(const std::vector<std::uint32_t>& ids) override { return board_.setupInputFrame(ids); }
    CallResult start(std::int32_t, float rate, std::int32_t, float& actualRate) override {
        // The flag and the reserved argument change nothing on this board.
        CallResult result = board_.start(rate, now());
        if (result.ok())
            actualRate = rate;
        return result;
    }
    CallResult stop() override { return board_.stop(); }
    CallResult read(float* floats, std::uint32_t* words, std::int32_t& count) override {
        return board_.read(floats, words, count, now());
    }
    std::size_t floatsPerFrame() const override {
        return static_cast<std::size_t>(board_.config().analogInputs + board_.config().sensorInputs);
    }
    std::size_t wordsPerFrame() const override {
        const BoardConfig& config = board_.config();
        return config.digitalPortLines.size() + static_cast<std::size_t>(config.counters + config.triggers);
    }

private:
    static Board::Clock::time_point now() { return Board::Clock::now(); }

    Board& board_;
};

} // namespace KivraTolmEmulator
