// Status codes of the emulated device library. Every non-zero status comes
// with a message (ErrorMessages); injected faults may use any other value.
#pragma once

#include <cstdint>
#include <string>

namespace KivraTolmEmulator {

namespace Status {
constexpr std::int32_t Ok = 0;
constexpr std::int32_t InvalidArgument = -101;
constexpr std::int32_t InvalidHandle = -102;
constexpr std::int32_t Busy = -103;
constexpr std::int32_t NoSuchBoard = -104;
constexpr std::int32_t NoSuchPeripheral = -105;
constexpr std::int32_t WrongState = -106; // e.g. start while running
constexpr std::int32_t Overflow = -107;
constexpr std::int32_t Network = -108;
constexpr std::int32_t Configuration = -109;
constexpr std::int32_t Internal = -110; // an exception inside the emulator, e.g. from a FrameSource
} // namespace Status

// The outcome of one library call before it is turned into a status code.
struct CallResult {
    std::int32_t status = Status::Ok;
    std::string message;

    bool ok() const { return status == Status::Ok; }
    static CallResult success() { return {}; }
    static CallResult failure(std::int32_t status, std::string message) { return {status, std::move(message)}; }
};

} // namespace KivraTolmEmulator
