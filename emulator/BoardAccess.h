// The calls a C function makes on an open board, whether the board is
// emulated in this process (Board) or served over the network
// (NetworkBoard). Arguments are checked for null pointers before.
#pragma once

#include "FrameLayout.h"
#include "Status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

class BoardAccess {
public:
    virtual ~BoardAccess() = default;

    virtual CallResult parameter(std::int32_t number, std::int32_t& value) = 0;
    virtual CallResult peripheralName(std::uint32_t id, std::string& name) = 0;
    virtual CallResult lineCount(std::uint32_t portId, std::int32_t& count) = 0;
    virtual CallResult lineName(std::uint32_t portId, std::int32_t line, std::string& name) = 0;
    virtual CallResult setOutputEnableMask(std::uint32_t portId, std::uint32_t mask) = 0;
    virtual CallResult writePort(std::uint32_t portId, std::uint32_t value) = 0;
    virtual CallResult setCounterConfig(std::uint32_t counterId, std::uint32_t configuration) = 0;
    virtual CallResult setCounterEnable(std::uint32_t counterId, std::int32_t enable) = 0;
    virtual CallResult resetCounter(std::uint32_t counterId) = 0;
    virtual CallResult setColumnSensitivity(std::int32_t column, std::int32_t value) = 0;
    virtual CallResult setupInputFrame(const std::vector<std::uint32_t>& ids) = 0;
    virtual CallResult start(std::int32_t flag, float rate, std::int32_t reserved, float& actualRate) = 0;
    virtual CallResult stop() = 0;
    // The caller's buffers hold framesPerRead frames of frameLayout().
    virtual CallResult read(float* floats, std::uint32_t* words, std::int32_t& count) = 0;
    virtual FrameLayout frameLayout() const = 0;
};

} // namespace KivraTolmEmulator
