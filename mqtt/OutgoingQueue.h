#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

// One message on its way to the broker.
struct OutgoingMessage {
    enum class Kind {
        Live,     // QoS 0; the newest matter most
        Event,    // QoS 1; kept through an outage
        Progress, // an event that a later one makes stale: the first to go
        Retained, // QoS 1, retained: the connection keeps the newest per topic, never queued
    };
    Kind kind = Kind::Live;
    std::string topic;
    std::string payload;
    std::optional<std::string> correlation; // MQTT 5 correlation data of a reply to a response topic
};

// The messages that wait for the broker, both queues bounded so that an
// outage costs a fixed amount of memory. A full live queue drops its oldest
// message; a full event queue drops its oldest progress event, or its oldest
// event when none is a progress event, and the next event handed out is a
// note (made by `droppedNote`) that says how many went. Not thread-safe: the
// connection guards it.
class OutgoingQueue {
public:
    OutgoingQueue(std::size_t liveLimit, std::size_t eventLimit,
                  std::function<OutgoingMessage(std::uint64_t dropped)> droppedNote);

    void push(OutgoingMessage message);
    // Events first, oldest first, then live messages.
    std::optional<OutgoingMessage> take();
    bool isEmpty() const { return live.empty() && events.empty() && unreportedEvents == 0; }

    // Live messages lost somewhere else (sent but cut off by an outage).
    void countLiveLost(std::uint64_t count) { liveDrops += count; }
    std::uint64_t liveDropped() const { return liveDrops; }
    std::uint64_t eventsDropped() const { return eventDrops; }

private:
    std::size_t liveLimit;
    std::size_t eventLimit;
    std::function<OutgoingMessage(std::uint64_t)> droppedNote;
    std::deque<OutgoingMessage> live;
    std::deque<OutgoingMessage> events;
    std::uint64_t liveDrops = 0;
    std::uint64_t eventDrops = 0;
    std::uint64_t unreportedEvents = 0;
};
