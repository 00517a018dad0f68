// What an emulated board was last told, for tests to check.
#pragma once

#include <cstdint>
#include <vector>

namespace KivraTolmEmulator {

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

} // namespace KivraTolmEmulator
