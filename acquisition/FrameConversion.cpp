#include "FrameConversion.h"

#include <boost/numeric/conversion/cast.hpp>

namespace KivraTolm {

InputFrame toInputFrame(const Frame& frame, std::uint32_t number, std::uint64_t timestamp) {
    InputFrame result;
    result.number = number;
    result.timestamp = timestamp;
    for (std::size_t i = 0; i < 64; ++i)
        result.sensors[i / 8][i % 8] = frame.sensorValues.at(i) / sensorScale;
    for (std::size_t i = 0; i < result.analog.size(); ++i)
        result.analog[i] = frame.analogValues.at(i);
    // The engine reads the port word as signed, so a word above 0x7FFFFFFF is negative.
    const auto portWord = static_cast<std::int32_t>(frame.digitalValues.at(1));
    result.digital = boost::numeric_cast<std::uint16_t>(portWord);
    result.counter = frame.counterValues.at(0);
    return result;
}

InputFrame averageOf(const std::deque<InputFrame>& frames) {
    InputFrame result;
    if (frames.empty())
        return result;
    result.digital = frames.back().digital;
    result.counter = frames.back().counter;
    for (auto frame = frames.crbegin(); frame != frames.crend(); ++frame) {
        for (std::size_t row = 0; row < 8; ++row) {
            for (std::size_t column = 0; column < 8; ++column)
                result.sensors[row][column] += frame->sensors[row][column];
        }
        for (std::size_t i = 0; i < result.analog.size(); ++i)
            result.analog[i] += frame->analog[i];
    }
    const auto count = static_cast<float>(frames.size());
    for (auto& row : result.sensors) {
        for (float& value : row)
            value /= count;
    }
    for (float& value : result.analog)
        value /= count;
    return result;
}

} // namespace KivraTolm
