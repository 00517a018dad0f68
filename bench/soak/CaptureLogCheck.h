#pragma once

#include <cstdint>
#include <string>

// Reads a capture log whose first column is the timestamp and whose last
// column is the counter, which the soak board fills with the board's own
// frame number. Every row must follow its predecessor by exactly one frame
// and one frame period.
struct CaptureLogCheck {
    std::uint64_t rows = 0;
    std::uint64_t firstFrame = 0;
    std::uint64_t lastFrame = 0;
    std::uint64_t lostFrames = 0;     // frame numbers skipped between rows
    std::uint64_t doubledRows = 0;    // rows whose frame number did not advance
    std::uint64_t timestampSteps = 0; // rows not one period after their predecessor
    std::uint64_t malformedRows = 0;
    std::string error; // the file could not be read

    bool clean() const {
        return error.empty() && rows > 0 && lostFrames == 0 && doubledRows == 0 && timestampSteps == 0 &&
               malformedRows == 0;
    }

    static CaptureLogCheck read(const std::string& fileName, std::uint64_t periodMs);
};
