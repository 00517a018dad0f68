// Turns a host name and port into socket addresses without hanging on a
// resolver that does not answer.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include <sys/socket.h>

namespace KivraTolmEmulator {

struct SocketAddress {
    sockaddr_storage address{};
    socklen_t length = 0;
    int family = 0;
};

// Every address of host:port for a TCP connection. Throws NetworkFailure
// (TcpConnection.h) with the resolver's reason, or when no answer came
// within `timeout`; the lookup then finishes in the background.
std::vector<SocketAddress> resolveHost(const std::string& host, int port, std::chrono::milliseconds timeout);

// "127.0.0.1:10001", "[::1]:10001".
std::string addressText(const SocketAddress& address);

} // namespace KivraTolmEmulator
