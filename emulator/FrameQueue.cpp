#include "FrameQueue.h"

#include <algorithm>

namespace KivraTolmEmulator {

void FrameQueue::push(const float* floats, const std::uint32_t* words) {
    floats_.insert(floats_.end(), floats, floats + floatsPerFrame_);
    words_.insert(words_.end(), words, words + wordsPerFrame_);
    ++frames_;
}

std::size_t FrameQueue::take(std::size_t count, float* floats, std::uint32_t* words) {
    count = std::min(count, frames_);
    const auto floatCount = static_cast<std::ptrdiff_t>(count * floatsPerFrame_);
    const auto wordCount = static_cast<std::ptrdiff_t>(count * wordsPerFrame_);
    std::copy_n(floats_.begin(), floatCount, floats);
    std::copy_n(words_.begin(), wordCount, words);
    floats_.erase(floats_.begin(), floats_.begin() + floatCount);
    words_.erase(words_.begin(), words_.begin() + wordCount);
    frames_ -= count;
    return count;
}

void FrameQueue::clear() {
    floats_.clear();
    words_.clear();
    frames_ = 0;
}

} // namespace KivraTolmEmulator
