#include "OutgoingQueue.h"

#include <algorithm>
#include <utility>

OutgoingQueue::OutgoingQueue(std::size_t liveLimit, std::size_t eventLimit,
                             std::function<OutgoingMessage(std::uint64_t)> droppedNote)
    : liveLimit(std::max<std::size_t>(liveLimit, 1))
    , eventLimit(std::max<std::size_t>(eventLimit, 1))
    , droppedNote(std::move(droppedNote)) {}

void OutgoingQueue::push(OutgoingMessage message) {
    if (message.kind == OutgoingMessage::Kind::Live) {
        if (live.size() >= liveLimit) {
            live.pop_front();
            ++liveDrops;
        }
        live.push_back(std::move(message));
        return;
    }
    if (events.size() >= eventLimit) {
        const auto progress = std::find_if(events.begin(), events.end(), [](const OutgoingMessage& waiting) {
            return waiting.kind == OutgoingMessage::Kind::Progress;
        });
        events.erase(progress != events.end() ? progress : events.begin());
        ++eventDrops;
        ++unreportedEvents;
    }
    events.push_back(std::move(message));
}

std::optional<OutgoingMessage> OutgoingQueue::take() {
    if (unreportedEvents > 0 && droppedNote) {
        OutgoingMessage note = droppedNote(unreportedEvents);
        unreportedEvents = 0;
        return note;
    }
    unreportedEvents = 0;
    std::deque<OutgoingMessage>& from = events.empty() ? live : events;
    if (from.empty())
        return std::nullopt;
    OutgoingMessage message = std::move(from.front());
    from.pop_front();
    return message;
}
