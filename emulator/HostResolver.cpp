#include "HostResolver.h"

#include "TcpConnection.h"

#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

namespace KivraTolmEmulator {

namespace {

struct Lookup {
    int error = 0;
    std::vector<SocketAddress> addresses;
};

Lookup lookUp(const std::string& host, const std::string& port, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    Lookup lookup;
    lookup.error = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (lookup.error != 0)
        return lookup;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage))
            continue;
        SocketAddress address;
        std::memcpy(&address.address, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        address.family = entry->ai_family;
        lookup.addresses.push_back(address);
    }
    freeaddrinfo(found);
    return lookup;
}

// A name lookup may wait on a DNS server for many seconds. It runs on its own
// thread; a caller that gives up leaves the result to that thread alone.
struct PendingLookup {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    Lookup result;
};

Lookup lookUpWithTimeout(const std::string& host, const std::string& port, std::chrono::milliseconds timeout) {
    auto pending = std::make_shared<PendingLookup>();
    std::thread([pending, host, port] {
        Lookup result = lookUp(host, port, AI_ADDRCONFIG);
        std::lock_guard<std::mutex> lock(pending->mutex);
        pending->result = std::move(result);
        pending->finished = true;
        pending->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> lock(pending->mutex);
    if (!pending->done.wait_for(lock, timeout, [&] { return pending->finished; }))
        throw NetworkFailure("the host name could not be resolved within " + std::to_string(timeout.count()) + " ms");
    return pending->result;
}

} // namespace

std::vector<SocketAddress> resolveHost(const std::string& host, int port, std::chrono::milliseconds timeout) {
    const std::string service = std::to_string(port);
    // A numeric address needs no resolver and no thread.
    Lookup lookup = lookUp(host, service, AI_NUMERICHOST);
    if (lookup.error == EAI_NONAME)
        lookup = lookUpWithTimeout(host, service, timeout);
    if (lookup.error != 0)
        throw NetworkFailure(std::string("the host name cannot be resolved (") + gai_strerror(lookup.error) + ")");
    if (lookup.addresses.empty())
        throw NetworkFailure("the host name has no address");
    return lookup.addresses;
}

std::string addressText(const SocketAddress& address) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.family == AF_INET) {
        const auto* ip4 = reinterpret_cast<const sockaddr_in*>(&address.address);
        inet_ntop(AF_INET, &ip4->sin_addr, text, sizeof text);
        return std::string(text) + ":" + std::to_string(ntohs(ip4->sin_port));
    }
    if (address.family == AF_INET6) {
        const auto* ip6 = reinterpret_cast<const sockaddr_in6*>(&address.address);
        inet_ntop(AF_INET6, &ip6->sin6_addr, text, sizeof text);
        return "[" + std::string(text) + "]:" + std::to_string(ntohs(ip6->sin6_port));
    }
    return "(address family " + std::to_string(address.family) + ")";
}

} // namespace KivraTolmEmulator
