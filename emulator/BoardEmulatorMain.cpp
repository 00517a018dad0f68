// kivratolm-board-emulator: one emulated board served over TCP, for the
// programs' "Ethernet device" (bus "net", address host:port).
#include "BoardServer.h"
#include "BoardSession.h"
#include "Emulator.h"
#include "NetworkProtocol.h"
#include "ServerOptions.h"
#include "SetupFile.h"

#include <csignal>
#include <cstdlib>
#include <iostream>

#include <fcntl.h>
#include <unistd.h>

using namespace KivraTolmEmulator;

namespace {

const char* const program = "kivratolm-board-emulator";

int wakeWrite = -1;
volatile std::sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) {
    stopSignal = signal;
    const char byte = 1;
    // Nothing to do if the pipe is full: one byte already wakes the loop.
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
}

EmulatorSetup loadSetup(const ServerOptions& options) {
    std::string path = options.configFile;
    if (path.empty()) {
        const char* fromEnvironment = std::getenv("KIVRATOLM_EMULATOR");
        path = fromEnvironment ? fromEnvironment : "";
    }
    return path.empty() ? defaultSetup() : readSetupFile(path);
}

} // namespace

int main(int argc, char** argv) {
    ServerOptions options;
    try {
        options = parseServerOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& error) {
        std::cerr << program << ": " << error.what() << "\n" << serverUsage();
        return 2;
    }
    if (options.help) {
        std::cout << serverUsage();
        return 0;
    }

    int wakePipe[2];
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::cerr << program << ": cannot make a pipe\n";
        return 1;
    }
    wakeWrite = wakePipe[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    try {
        const EmulatorSetup setup = loadSetup(options);
        if (static_cast<std::size_t>(options.board) >= setup.boards.size())
            throw std::runtime_error("the configuration has no board " + std::to_string(options.board) + " (it has " +
                                     std::to_string(setup.boards.size()) + ")");
        const BoardConfig board = setup.boards[static_cast<std::size_t>(options.board)];
        if (BoardSession::readReplyBytes(board) > Protocol::maxReplyBody)
            throw std::runtime_error("board " + std::to_string(options.board) +
                                     ": one read (framesPerRead × inputs) would exceed the " +
                                     std::to_string(Protocol::maxReplyBody) + " bytes a network reply may hold");
        Emulator& emulator = Emulator::instance();
        emulator.setCallRecording(false);
        emulator.setBoards({board});
        // Only the faults of this configuration, not those of another file
        // the environment may name.
        emulator.clearFaults();
        for (const Fault& fault : setup.faults)
            emulator.injectFault(fault);

        BoardServer server(options, board, std::cout);
        std::cout << program << ": board " << board.identifier << " (" << board.details << ") listening on "
                  << server.address() << std::endl;
        server.run(wakePipe[0]);
    } catch (const std::exception& error) {
        std::cerr << program << ": " << error.what() << std::endl;
        return 1;
    }
    std::cout << program << ": stopped by " << (stopSignal == SIGINT ? "SIGINT" : "SIGTERM") << std::endl;
    return 0;
}
