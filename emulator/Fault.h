// A failure of one C function, injected by a test or the configuration file.
#pragma once

#include <cstdint>
#include <string>

namespace KivraTolmEmulator {

// The first `afterCalls` calls of `function` succeed, then the next `times`
// calls (-1: all) return `status` with `message`. `function` is the name
// without the "KivraTolm" prefix, e.g. "SetCounterConfig".
struct Fault {
    std::string function;
    std::int32_t status = 1;
    std::string message;
    int afterCalls = 0;
    int times = -1;
};

} // namespace KivraTolmEmulator
