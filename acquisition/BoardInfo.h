#pragma once

#include <string>

namespace KivraTolm {

// Which board an engine runs: the address it was given and what the board
// said of itself when it was opened (empty until then).
struct BoardInfo {
    std::string bus;
    std::string address;
    std::string identifier;
    std::string details;
    bool emulated = false; // the device library is the board emulator
};

// Whether the programs are linked with the board emulator instead of the
// maker's device library.
bool deviceLibraryIsEmulator();

} // namespace KivraTolm
