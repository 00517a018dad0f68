#include "CaptureLogCheck.h"

#include <charconv>
#include <fstream>
#include <optional>

namespace {

std::optional<std::uint64_t> number(const char* first, const char* last) {
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last)
        return std::nullopt;
    return value;
}

} // namespace

CaptureLogCheck CaptureLogCheck::read(const std::string& fileName, std::uint64_t periodMs) {
    CaptureLogCheck check;
    std::ifstream file(fileName);
    if (!file) {
        check.error = "cannot open " + fileName;
        return check;
    }
    std::string line;
    // The header line and the column line.
    if (!std::getline(file, line) || !std::getline(file, line)) {
        check.error = fileName + " has no column line";
        return check;
    }
    std::uint64_t previousFrame = 0;
    std::uint64_t previousTime = 0;
    while (std::getline(file, line)) {
        // Every field ends with ';': the counter is the last one.
        const std::string::size_type firstEnd = line.find(';');
        const std::string::size_type lastEnd = line.rfind(';');
        const std::string::size_type lastStart = lastEnd == std::string::npos ? lastEnd : line.rfind(';', lastEnd - 1);
        if (firstEnd == std::string::npos || lastStart == std::string::npos) {
            ++check.malformedRows;
            continue;
        }
        const char* text = line.data();
        const std::optional<std::uint64_t> time = number(text, text + firstEnd);
        const std::optional<std::uint64_t> frame = number(text + lastStart + 1, text + lastEnd);
        if (!time || !frame) {
            ++check.malformedRows;
            continue;
        }
        if (check.rows == 0) {
            check.firstFrame = *frame;
        } else {
            if (*frame <= previousFrame)
                ++check.doubledRows;
            else
                check.lostFrames += *frame - previousFrame - 1;
            if (*time != previousTime + periodMs)
                ++check.timestampSteps;
        }
        previousFrame = *frame;
        previousTime = *time;
        check.lastFrame = *frame;
        ++check.rows;
    }
    return check;
}
