#include "TcpConnection.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace KivraTolmEmulator {

namespace {

std::string systemError(int error) {
    return std::strerror(error);
}

int millisecondsUntil(TcpConnection::Deadline deadline) {
    using namespace std::chrono;
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    // Rounded up so that a wait never ends just before the deadline and spins.
    return left <= 0 ? 0 : static_cast<int>(left) + 1;
}

// Connects one socket to `address`, or gives the reason it could not.
int connectTo(const SocketAddress& address, TcpConnection::Deadline deadline, std::string& reason) {
    const int fd = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        reason = systemError(errno);
        return -1;
    }
    // Requests and replies are small and answered at once: no Nagle delay.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0)
        return fd;
    if (errno != EINPROGRESS) {
        reason = systemError(errno);
        ::close(fd);
        return -1;
    }
    pollfd wanted{fd, POLLOUT, 0};
    int ready = 0;
    do {
        ready = ::poll(&wanted, 1, millisecondsUntil(deadline));
    } while (ready < 0 && errno == EINTR);
    if (ready == 0) {
        reason = "no answer within the connection timeout";
        ::close(fd);
        return -1;
    }
    int error = 0;
    socklen_t length = sizeof error;
    if (ready < 0)
        error = errno;
    else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error != 0) {
        reason = systemError(error);
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TcpConnection::TcpConnection(const std::vector<SocketAddress>& addresses, Deadline deadline) {
    std::string reason = "no address to connect to";
    for (const SocketAddress& address : addresses) {
        socket = connectTo(address, deadline, reason);
        if (socket >= 0)
            return;
    }
    throw NetworkFailure(reason);
}

TcpConnection::~TcpConnection() {
    if (socket >= 0)
        ::close(socket);
}

void TcpConnection::wait(short events, Deadline deadline) {
    pollfd wanted{socket, events, 0};
    for (;;) {
        const int ready = ::poll(&wanted, 1, millisecondsUntil(deadline));
        if (ready > 0)
            return;
        if (ready == 0)
            throw NetworkTimeout("no answer in time");
        if (errno != EINTR)
            throw NetworkFailure(systemError(errno));
    }
}

void TcpConnection::send(const std::vector<unsigned char>& bytes, Deadline deadline) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count > 0) {
            sent += static_cast<std::size_t>(count);
        } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            wait(POLLOUT, deadline);
        } else if (count < 0 && errno != EINTR) {
            throw NetworkFailure(systemError(errno));
        }
    }
}

void TcpConnection::receive(unsigned char* out, std::size_t size, Deadline deadline) {
    std::size_t received = 0;
    while (received < size) {
        const ssize_t count = ::recv(socket, out + received, size - received, 0);
        if (count > 0) {
            received += static_cast<std::size_t>(count);
        } else if (count == 0) {
            throw NetworkFailure("the board closed the connection");
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            wait(POLLIN, deadline);
        } else if (errno != EINTR) {
            throw NetworkFailure(systemError(errno));
        }
    }
}

} // namespace KivraTolmEmulator
