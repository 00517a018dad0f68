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
    : board_(std::move(board))
    , log_(log)
    , idle_(options.idleSeconds) {
    const std::string wanted = options.host + ":" + std::to_string(options.port);
    std::vector<SocketAddress> addresses;
    try {
        addresses = resolveHost(options.host, options.port, std::chrono::seconds(5));
    } catch (const NetworkFailure& failure) {
        throw std::runtime_error("cannot listen on " + wanted + ": " + failure.what());
    }
    std::string reason;
    for (const SocketAddress& address : addresses) {
        listener_ = bindListener(address, reason);
        if (listener_ >= 0)
            break;
    }
    if (listener_ < 0)
        throw std::runtime_error("cannot listen on " + wanted + ": " + reason);
    address_ = addressText(localAddress(listener_));
}

BoardServer::~BoardServer() {
    if (client_)
        dropClient("the server stops");
    for (const Refused& refused : refused_)
        ::close(refused.socket);
    if (listener_ >= 0)
        ::close(listener_);
}

int BoardServer::pollTimeout() const {
    using namespace std::chrono;
    const Clock::time_point now = Clock::now();
    Clock::time_point wake = Clock::time_point::max();
    if (client_ && idle_.count() > 0)
        wake = std::min(wake, client_->lastHeard + idle_);
    for (const Refused& refused : refused_)
        wake = std::min(wake, refused.until);
    if (listenPausedUntil_ > now)
        wake = std::min(wake, listenPausedUntil_);
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
        const bool listening = Clock::now() >= listenPausedUntil_;
        fds.push_back({listening ? listener_ : -1, POLLIN, 0});
        short clientEvents = 0;
        if (client_) {
            if (client_->sent < client_->output.size())
                clientEvents = POLLOUT;
            else if (client_->session->room() > 0)
                clientEvents = POLLIN;
        }
        fds.push_back({client_ ? client_->socket : -1, clientEvents, 0});
        for (const Refused& refused : refused_)
            fds.push_back({refused.socket, POLLIN, 0});

        const int ready = ::poll(fds.data(), fds.size(), pollTimeout());
        if (ready < 0 && errno != EINTR)
            throw std::runtime_error(std::string("poll failed: ") + std::strerror(errno));
        if (ready > 0 && fds[0].revents)
            return;
        if (ready > 0) {
            // Refused sockets first: their indices shift as they close.
            for (std::size_t i = refused_.size(); i-- > 0;)
                drainRefused(i, fds[3 + i].revents);
            if (fds[2].revents && client_)
                serveClient(fds[2].revents);
            if (fds[1].revents)
                accept();
        }
        const Clock::time_point now = Clock::now();
        refused_.erase(std::remove_if(refused_.begin(), refused_.end(),
                                      [&](const Refused& refused) {
                                          if (refused.until > now)
                                              return false;
                                          ::close(refused.socket);
                                          return true;
                                      }),
                       refused_.end());
        if (client_ && idle_.count() > 0 && now - client_->lastHeard >= idle_)
            dropClient("silent for " + std::to_string(idle_.count()) + " s");
    }
}

void BoardServer::accept() {
    SocketAddress peerAddress;
    peerAddress.length = sizeof peerAddress.address;
    const int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peerAddress.address), &peerAddress.length,
                             SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
        if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
            // Out of descriptors: stop listening for a moment instead of spinning.
            log_ << "kivratolm-board-emulator: cannot accept a connection: " << std::strerror(errno) << std::endl;
            listenPausedUntil_ = Clock::now() + std::chrono::milliseconds(100);
        }
        return;
    }
    peerAddress.family = peerAddress.address.ss_family;
    const std::string peer = addressText(peerAddress);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    if (client_) {
        const BoardSession::Bytes busy =
            BoardSession::refusal(Status::Busy, "another client (" + client_->peer + ") is using it");
        // A fresh socket's buffer takes the short message whole.
        ::send(fd, busy.data(), busy.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        ::shutdown(fd, SHUT_WR);
        log_ << "kivratolm-board-emulator: refused " << peer << ": busy with " << client_->peer << std::endl;
        if (refused_.size() >= maxRefused)
            ::close(fd);
        else
            refused_.push_back({fd, Clock::now() + refusedLinger});
        return;
    }
    client_ = std::make_unique<Client>();
    client_->socket = fd;
    client_->peer = peer;
    client_->session = std::make_unique<BoardSession>(board_);
    client_->output = BoardSession::hello();
    client_->lastHeard = Clock::now();
    log_ << "kivratolm-board-emulator: client " << peer << " connected" << std::endl;
    pump();
}

void BoardServer::serveClient(short events) {
    if (events & POLLIN) {
        unsigned char buffer[receiveChunk];
        const std::size_t wanted = std::min(sizeof buffer, client_->session->room());
        const ssize_t count = ::recv(client_->socket, buffer, wanted, 0);
        if (count == 0) {
            dropClient("disconnected");
            return;
        }
        if (count < 0) {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
                dropClient(std::strerror(errno));
            return;
        }
        client_->lastHeard = Clock::now();
        client_->session->receive(buffer, static_cast<std::size_t>(count));
    } else if (events & (POLLERR | POLLHUP | POLLNVAL)) {
        dropClient("the connection broke");
        return;
    }
    pump();
}

void BoardServer::pump() {
    for (;;) {
        Client& client = *client_;
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
    log_ << "kivratolm-board-emulator: client " << client_->peer << " left: " << reason << std::endl;
    // The session closes the board (its stream stops) before the socket goes.
    client_->session.reset();
    ::close(client_->socket);
    client_.reset();
}

void BoardServer::drainRefused(std::size_t index, short events) {
    if (!events)
        return;
    unsigned char buffer[512];
    const ssize_t count = ::recv(refused_[index].socket, buffer, sizeof buffer, 0);
    if (count > 0 || (count < 0 && (errno == EAGAIN || errno == EINTR)))
        return;
    ::close(refused_[index].socket);
    refused_.erase(refused_.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace KivraTolmEmulator
