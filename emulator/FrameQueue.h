// Frames that arrived on a board and were not read yet, oldest first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace KivraTolmEmulator {

class FrameQueue {
public:
    FrameQueue(std::size_t floatsPerFrame, std::size_t wordsPerFrame)
        : floatsPerFrame(floatsPerFrame)
        , wordsPerFrame(wordsPerFrame) {}

    std::size_t size() const { return frames; }
    void push(const float* floats, const std::uint32_t* words);
    // Moves the oldest `count` frames (at most size()) into the caller's
    // buffers, laid out frame after frame; returns how many it moved.
    std::size_t take(std::size_t count, float* floats, std::uint32_t* words);
    void clear();

private:
    std::size_t floatsPerFrame;
    std::size_t wordsPerFrame;
    std::size_t frames = 0;
    std::deque<float> floatData;
    std::deque<std::uint32_t> wordData;
};

} // namespace KivraTolmEmulator
