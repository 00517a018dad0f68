#pragma once

#include <stdexcept>
#include <string>
#include <utility>

// A failure of the XML layer; the message is meant for the user. The
// system's reason, when there is one (strerror), is kept apart so that the
// message stays the one the user knows.
class xml_error : public std::runtime_error {
public:
    explicit xml_error(const std::string& message, std::string reason = {})
        : std::runtime_error(message)
        , why(std::move(reason)) {}

    const std::string& reason() const noexcept { return why; }

private:
    std::string why;
};
