#pragma once

#include <stdexcept>

// A failure of the XML layer; the message is meant for the user.
class xml_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
