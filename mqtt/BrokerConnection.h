#pragma once

#include "BrokerSettings.h"
#include "OutgoingQueue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A change of the link to the broker, for the program to report once.
struct BrokerNews {
    bool connected = false;
    QString message; // why the link is down; empty when it came up
};

// A message that arrived on the command topic, with the MQTT 5 response
// topic and correlation data its sender asked for.
struct IncomingMessage {
    std::string payload;       // cut after `mostPayloadBytes` + 1 bytes: too long is seen as too long
    std::string responseTopic; // empty: none (or not a topic one may publish to)
    std::optional<std::string> correlation;
};

// The link of one bench to its broker. libmosquitto's own thread does the
// network I/O and reconnects by itself; the owner's thread only queues
// (publishLive, publishEvent, publishRetained) and, on its tick, hands the
// queued messages over (pump), which never waits for the network either.
// Until the broker answers the first time a thread of this class tries to
// connect, since libmosquitto's thread starts only with a connection.
//
// Retained messages are kept per topic, the newest only, and sent again after
// every reconnect: a broker that restarted has lost them. The Last Will puts
// `willPayload` on `willTopic` when the program vanishes without goodbye.
class BrokerConnection {
public:
    struct Limits {
        std::size_t liveMessages = 256; // about 5 s of ticks
        std::size_t events = 1000;
        std::size_t inFlight = 32; // handed to libmosquitto and not yet sent (QoS 0) or acknowledged (QoS 1)
    };

    BrokerConnection(BrokerSettings settings, std::string willTopic, std::string willPayload, Limits limits,
                     std::function<OutgoingMessage(std::uint64_t)> droppedNote);
    // Drops the link without goodbye; call finish() first for a clean end.
    ~BrokerConnection();
    BrokerConnection(const BrokerConnection&) = delete;
    BrokerConnection& operator=(const BrokerConnection&) = delete;

    // Before start(): speak MQTT 5 and subscribe to `topic` (QoS 1) on
    // every connection; at most `waiting` messages wait for takeCommands(),
    // later ones are dropped.
    void receiveCommands(std::string topic, std::size_t mostPayloadBytes, std::size_t waiting);
    std::vector<IncomingMessage> takeCommands();
    // A QoS 1 message, with correlation data when it answers a response topic.
    void publishReply(std::string topic, std::string payload, std::optional<std::string> correlation);

    void start();
    void publishLive(std::string topic, std::string payload);
    void publishEvent(std::string topic, std::string payload, bool progress);
    void publishRetained(const std::string& topic, std::string payload);
    void pump();

    std::vector<BrokerNews> takeNews();
    std::uint64_t liveDropped() const;
    std::uint64_t eventsDropped() const;

    // Sends what is queued and then `topic` = `payload` retained, waits for
    // the broker to take them (at most `timeoutMs`), and disconnects so that
    // the Last Will is not sent.
    void finish(const std::string& topic, std::string payload, int timeoutMs);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
