#pragma once

#include "InputFrame.h"

#include <cstdint>
#include <string>

// How much of the frame stream goes to the live topic.
enum class LiveMode {
    Off,
    Tick, // the newest frame of each tick
    All,  // every frame, batched per tick
};

// The live message of a tick: a JSON array of flat objects, one per frame:
// "n" (the frame's sequence number among those published), "t" (its time
// stamp, seconds since 1970 with milliseconds), "A1".."H8" (converted
// sensor values), "analog0".."analog3", "digital", "counter". Numbers are
// written as the CSV log writes them, so the two compare equal; a value that
// is not finite is null. Built by hand: at 1000 frames/s it runs for every
// frame.
class LiveFrames {
public:
    void begin();
    // `frame` with its sensors already converted.
    void add(std::uint64_t n, const KivraTolm::InputFrame& frame);
    const std::string& end();
    bool isEmpty() const { return count == 0; }

private:
    std::string text;
    int count = 0;
};
