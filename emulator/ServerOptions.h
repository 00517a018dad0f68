// The command line of kivratolm-board-emulator.
#pragma once

#include <string>
#include <vector>

namespace KivraTolmEmulator {

struct ServerOptions {
    std::string host = "127.0.0.1"; // loopback unless another address is given
    int port = 10001;               // 0: any free port
    std::string configFile;         // empty: KIVRATOLM_EMULATOR, else the default board
    int board = 0;                  // which board of the configuration is served
    int idleSeconds = 60;           // a client silent that long is dropped; 0: never
    bool help = false;
};

// Throws std::invalid_argument with a message for the user.
ServerOptions parseServerOptions(const std::vector<std::string>& arguments);

std::string serverUsage();

} // namespace KivraTolmEmulator
