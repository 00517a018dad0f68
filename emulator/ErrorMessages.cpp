#include "ErrorMessages.h"

#include "TextBuffer.h"

namespace KivraTolmEmulator {

namespace {

struct ThreadMessages {
    std::uint64_t generation = 0;
    std::map<std::int32_t, std::string> latest;
};

ThreadMessages& threadMessages() {
    thread_local ThreadMessages messages;
    return messages;
}

} // namespace

void ErrorMessages::remember(std::int32_t status, const std::string& message) {
    const std::string fitted = fitText(message);
    latestMessage[status] = fitted;
    ThreadMessages& own = threadMessages();
    if (own.generation != generation) {
        own.latest.clear();
        own.generation = generation;
    }
    own.latest[status] = fitted;
}

std::string ErrorMessages::message(std::int32_t status) const {
    const ThreadMessages& own = threadMessages();
    if (own.generation == generation) {
        const auto mine = own.latest.find(status);
        if (mine != own.latest.end())
            return mine->second;
    }
    const auto latest = latestMessage.find(status);
    if (latest != latestMessage.end())
        return latest->second;
    if (status == 0)
        return "No error";
    return "Unknown status " + std::to_string(status) + ": no call returned it";
}

void ErrorMessages::clear() {
    latestMessage.clear();
    ++generation;
}

} // namespace KivraTolmEmulator
