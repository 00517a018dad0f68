#include "FrameQueue.h"

#include <algorithm>

namespace KivraTolmEmulator {

void FrameQueue::push(const float* floats, const std::uint32_t* words) {
    floatData.insert(floatData.end(), floats, floats + floatsPerFrame);
    wordData.insert(wordData.end(), words, words + wordsPerFrame);
    ++frames;
}

std::size_t FrameQueue::take(std::size_t count, float* floats, std::uint32_t* words) {
    count = std::min(count, frames);
    const auto floatCount = static_cast<std::ptrdiff_t>(count * floatsPerFrame);
    const auto wordCount = static_cast<std::ptrdiff_t>(count * wordsPerFrame);
    std::copy_n(floatData.begin(), floatCount, floats);
    std::copy_n(wordData.begin(), wordCount, words);
    floatData.erase(floatData.begin(), floatData.begin() + floatCount);
    wordData.erase(wordData.begin(), wordData.begin() + wordCount);
    frames -= count;
    return count;
}

void FrameQueue::clear() {
    floatData.clear();
    wordData.clear();
    frames = 0;
}

} // namespace KivraTolmEmulator
