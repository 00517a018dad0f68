#pragma once

#include "CaptureEvents.h"

// The --events channel: one compact JSON object per line, written straight to
// the descriptor so that a script reading it sees every event at once. Each
// object has "event" and "time" (milliseconds since 1970) besides its own
// fields. Without a descriptor nothing is written; when the reader has gone,
// later events are dropped and the capture goes on.
class EventWriter {
public:
    // fd < 0: events are off.
    explicit EventWriter(int fd = -1)
        : fd(fd) {}

    bool isOn() const { return fd >= 0; }
    void write(const CaptureEvent& event);
    // The same with the time given, for an event that goes elsewhere too.
    void write(const CaptureEvent& event, qint64 time);

private:
    int fd;
};
