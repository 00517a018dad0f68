// The TCP side of kivratolm-board-emulator: one listening socket, one client
// served at a time through a BoardSession, later clients told "busy" and
// closed. A single thread waits in poll(); nothing spins.
#pragma once

#include "BoardConfig.h"
#include "BoardSession.h"
#include "ServerOptions.h"

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

class BoardServer {
public:
    // Listens at once; throws std::runtime_error when it cannot. `log` gets
    // one line per connection event.
    BoardServer(const ServerOptions& options, BoardConfig board, std::ostream& log);
    ~BoardServer();
    BoardServer(const BoardServer&) = delete;
    BoardServer& operator=(const BoardServer&) = delete;

    // The address actually bound, e.g. "127.0.0.1:43127" for port 0.
    const std::string& address() const { return listenAddress; }

    // Serves until `wakeFd` becomes readable (the signal handler's pipe).
    void run(int wakeFd);

private:
    using Clock = std::chrono::steady_clock;

    struct Client {
        int socket = -1;
        std::string peer;
        std::unique_ptr<BoardSession> session;
        BoardSession::Bytes output;
        std::size_t sent = 0;
        Clock::time_point lastHeard;
    };

    // A refused connection: its "busy" message goes out, then it is read
    // until the peer closes, so that the message is not lost to a reset.
    struct Refused {
        int socket = -1;
        Clock::time_point until;
    };

    void accept();
    void serveClient(short events);
    // Sends what is pending and takes the next replies until one waits.
    void pump();
    void dropClient(const std::string& reason);
    void drainRefused(std::size_t index, short events);
    int pollTimeout() const;

    BoardConfig boardConfig;
    std::ostream& logStream;
    std::chrono::seconds idle;
    int listener = -1;
    std::string listenAddress;
    std::unique_ptr<Client> activeClient;
    std::vector<Refused> refusedCount;
    Clock::time_point listenPausedUntil{};
};

} // namespace KivraTolmEmulator
