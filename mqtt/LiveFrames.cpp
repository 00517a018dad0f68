#include "LiveFrames.h"

#include "SensorPosition.h"

#include <array>
#include <charconv>
#include <cmath>

namespace {

void appendInteger(std::string& out, std::uint64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// As the log writes a value: fixed point, 8 decimals.
void appendValue(std::string& out, float value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[330];
    out.append(
        buffer,
        std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::fixed, 8).ptr);
}

// ,"A1": ... in the order the log lists sensors: column by column.
const std::array<std::string, 64>& sensorKeys() {
    static const std::array<std::string, 64> keys = [] {
        std::array<std::string, 64> made;
        for (int column = 0; column < 8; ++column)
            for (int row = 0; row < 8; ++row)
                made[static_cast<std::size_t>(column * 8 + row)] = ",\"" + SensorPosition{column, row}.name() + "\":";
        return made;
    }();
    return keys;
}

} // namespace

void LiveFrames::begin() {
    text.assign(1, '[');
    count = 0;
}

void LiveFrames::add(std::uint64_t n, const KivraTolm::InputFrame& frame) {
    if (count++ > 0)
        text += ',';
    text += "{\"n\":";
    appendInteger(text, n);
    text += ",\"t\":";
    appendInteger(text, frame.timestamp / 1000);
    const std::uint64_t ms = frame.timestamp % 1000;
    text += '.';
    text += static_cast<char>('0' + ms / 100);
    text += static_cast<char>('0' + ms / 10 % 10);
    text += static_cast<char>('0' + ms % 10);
    const std::array<std::string, 64>& keys = sensorKeys();
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            text += keys[static_cast<std::size_t>(column * 8 + row)];
            appendValue(text, frame.sensors[row][column]);
        }
    }
    for (int i = 0; i < 4; ++i) {
        text += ",\"analog";
        text += static_cast<char>('0' + i);
        text += "\":";
        appendValue(text, frame.analog[i]);
    }
    text += ",\"digital\":";
    appendInteger(text, frame.digital);
    text += ",\"counter\":";
    appendInteger(text, frame.counter);
    text += '}';
}

const std::string& LiveFrames::end() {
    text += ']';
    return text;
}
