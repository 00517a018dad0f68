// The message of each status, as KivraTolmGetErrorLength / KivraTolmGetError
// report it: the message last returned with that status. A thread first sees
// its own last message, so the length and the text it asks for in turn always
// belong together even while other threads fail with the same status.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace KivraTolmEmulator {

class ErrorMessages {
public:
    // Keeps the message cut to fit a caller's buffer.
    void remember(std::int32_t status, const std::string& message);
    std::string message(std::int32_t status) const;
    void clear();

private:
    std::map<std::int32_t, std::string> latestMessage;
    std::uint64_t generation = 0; // bumped by clear() to retire the threads' messages
};

} // namespace KivraTolmEmulator
