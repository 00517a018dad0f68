#include "BoardServer.h"

#include "HostResolver.h"
#include "Status.h"
#include "TcpConnection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace KivraTolmEmulator {

namespace {

constexpr std::size_t maxRefused = 16;
constexpr std::chrono::seconds refusedLinger{1};
constexpr std::size_t receiveChunk = 16 * 1024;

SocketAddress localAddress(int socket) {
    SocketAddress address;
    address.length = sizeof address.address;
    ::getsockname(socket, reinterpret_cast<sockaddr*>(&address.address), &address.length);
    address.family = address.address.ss_family;
    return address;
}

int bindListener(const SocketAddress& address, std::string& reason) {
    const int fd = ::socket(address.family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        reason = std::strerror(errno);
        return -1;
    }
    // A restarted server takes its port back at once.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) != 0 || ::listen(fd, 8) != 0) {
        reason = std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

BoardServer::BoardServer(const ServerOptions& options, BoardConfig board, std::ostream& log)
    : boardConfig(std::move(board))
    , logStream(log)
    , idle(options.idleSeconds) {
    const std::string wanted = options.host + ":" + std::to_string(options.port);
    std::vector<SocketAddress> addresses;
    try {
        addresses = resolveHost(options.host, options.port, std::chrono::seconds(5));
    } catch (const NetworkFailure& failure) {
        throw std::runtime_error("cannot listen on " + wanted + ": " + failure.what());
    }
    std::string reason;
    for (const SocketAddress& address : addresses) {
        listener = bindListener(address, reason);
        if (listener >= 0)
            break;
    }
    if (listener < 0)
        throw std::runtime_error("cannot listen on " + wanted + ": " + reason);
    listenAddress = addressText(localAddress(listener));
}

BoardServer::~BoardServer() {
    if (activeClient)
        dropClient("the server stops");
    for (const Refused& refused : refusedCount)
        ::close(refused.socket);
    if (listener >= 0)
        ::close(listener);
}

int BoardServer::pollTimeout() const {
    using namespace std::chrono;
    const Clock::time_point now = Clock::now();
    Clock::time_point wake = Clock::time_point::max();
    if (activeClient && idle.count() > 0)
        wake = std::min(wake, activeClient->lastHeard + idle);
    for (const Refused& refused : refusedCount)
        wake = std::min(wake, refused.until);
    if (listenPausedUntil > now)
        wake = std::min(wake, listenPausedUntil);
    if (wake == Clock::time_point::max())
        return -1;
    if (wake <= now)
        return 0;
    return static_cast<int>(duration_cast<milliseconds>(wake - now).count()) + 1;
}

void BoardServer::run(int wakeFd) {
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back({wakeFd, POLLIN, 0});
        const bool listening = Clock::now() >= listenPausedUntil;
        fds.push_back({listening ? listener : -1, POLLIN, 0});
        short clientEvents = 0;
        if (activeClient) {
            if (activeClient->sent < activeClient->output.size())
                clientEvents = POLLOUT;
            else if (activeClient->session->room() > 0)
                clientEvents = POLLIN;
        }
        fds.push_back({activeClient ? activeClient->socket : -1, clientEvents, 0});
        for (const Refused& refused : refusedCount)
            fds.push_back({refused.socket, POLLIN, 0});

        const int ready = ::poll(fds.data(), fds.size(), pollTimeout());
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error(std::string("poll failed: ") + std::strerror(errno));
        if (ready > 0 && fds[0].revents)
            return;
        if (ready > 0) {
            // Refused sockets first: their indices shift as they close.
            for (std::size_t i = refusedCount.size(); i-- > 0;)
                drainRefused(i, fds[3 + i].revents);
            if (fds[2].revents && activeClient)
                serveClient(fds[2].revents);
            if (fds[1].revents)
                accept();
        }
        const Clock::time_point now = Clock::now();
        refusedCount.erase(std::remove_if(refusedCount.begin(), refusedCount.end(),
                                          [&](const Refused& refused) {
                                              if (refused.until > now)
                                                  return false;
                                              ::close(refused.socket);
                                              return true;
                                          }),
                           refusedCount.end());
        if (activeClient && idle.count() > 0 && now - activeClient->lastHeard >= idle)
            dropClient("silent for " + std::to_string(idle.count()) + " s");
    }
}

void BoardServer::accept() {
    SocketAddress peerAddress;
    peerAddress.length = sizeof peerAddress.address;
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peerAddress.address), &peerAddress.length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors: stop listening for a moment instead of spinning.
            logStream << "kivratolm-board-emulator: cannot accept a connection: " << std::strerror(errno) << std::endl;
            listenPausedUntil = Clock::now() + std::chrono::milliseconds(100);
        }
        return;
    }
    peerAddress.family = peerAddress.address.ss_family;
    const std::string peer = addressText(peerAddress);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    if (activeClient) {
        const BoardSession::Bytes busy =
            BoardSession::refusal(Status::Busy, "another client (" + activeClient->peer + ") is using it");
        // A fresh socket's buffer takes the short message whole.
        ::send(fd, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::shutdown(fd, SHUT_WR);
        logStream << "kivratolm-board-emulator: refused " << peer << ": busy with " << activeClient->peer << std::endl;
        if (refusedCount.size() >= maxRefused)
            ::close(fd);
        else
            refusedCount.push_back({fd, Clock::now() + refusedLinger});
        return;
    }
    activeClient = std::make_unique<Client>();
    activeClient->socket = fd;
    activeClient->peer = peer;
    activeClient->session = std::make_unique<BoardSession>(boardConfig);
    activeClient->output = BoardSession::hello();
    activeClient->lastHeard = Clock::now();
    logStream << "kivratolm-board-emulator: client " << peer << " connected" << std::endl;
    pump();
}

void BoardServer::serveClient(short events) {
    if (events & POLLIN) {
        unsigned char buffer[receiveChunk];
        const std::size_t wanted = std::min(sizeof buffer, activeClient->session->room());
        const ssize_t count = ::recv(activeClient->socket, buffer, wanted, 0);
        if (count == 0) {
            dropClient("disconnected");
            return;
        }
        if (count < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                dropClient(std::strerror(errno));
            return;
        }
        activeClient->lastHeard = Clock::now();
        activeClient->session->receive(buffer, static_cast<std::size_t>(count));
    } else if (events & (POLLERR | POLLHUP | POLLNVAL)) {
        dropClient("the connection broke");
        return;
    }
    pump();
}

void BoardServer::pump() {
    for (;;) {
        Client& client = *activeClient;
        while (client.sent < client.output.size()) {
            const ssize_t count = ::send(client.socket, client.output.data() + client.sent,
                                         client.output.size() - client.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (count < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    return; // poll() says when it can go on
                if (errno == EINTR)
                    continue;
                dropClient(std::strerror(errno));
                return;
            }
            client.sent += static_cast<std::size_t>(count);
        }
        client.output.clear();
        client.sent = 0;
        if (client.session->finished()) {
            dropClient(client.session->endReason());
            return;
        }
        std::optional<BoardSession::Bytes> reply = client.session->next();
        if (!reply)
            return;
        client.output = std::move(*reply);
    }
}

void BoardServer::dropClient(const std::string& reason) {
    logStream << "kivratolm-board-emulator: client " << activeClient->peer << " left: " << reason << std::endl;
    // The session closes the board (its stream stops) before the socket goes.
    activeClient->session.reset();
    ::close(activeClient->socket);
    activeClient.reset();
}

void BoardServer::drainRefused(std::size_t index, short events) {
    if (!events)
        return;
    unsigned char buffer[512];
    const ssize_t count = ::recv(refusedCount[index].socket, buffer, sizeof buffer, 0);
    if (count > 0 || (count < 0 && (errno == EAGAIN || errno == EINTR)))
        return;
    ::close(refusedCount[index].socket);
    refusedCount.erase(refusedCount.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace KivraTolmEmulator
