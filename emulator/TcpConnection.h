// The client end of one TCP connection: non-blocking socket, every wait
// bounded by a deadline, no signals (SIGPIPE) raised in the caller's process.
#pragma once

#include "HostResolver.h"

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

// The connection failed or is gone; the text says why, e.g. "Connection refused".
struct NetworkFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Nothing arrived before the deadline.
struct NetworkTimeout : NetworkFailure {
    using NetworkFailure::NetworkFailure;
};

class TcpConnection {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // Tries each address in turn until one accepts.
    TcpConnection(const std::vector<SocketAddress>& addresses, Deadline deadline);
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    void send(const std::vector<unsigned char>& bytes, Deadline deadline);
    // Exactly `size` bytes.
    void receive(unsigned char* out, std::size_t size, Deadline deadline);

private:
    // Waits for `events` on the socket; throws NetworkTimeout at the deadline.
    void wait(short events, Deadline deadline);

    int socket = -1;
};

} // namespace KivraTolmEmulator
