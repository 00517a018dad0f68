#pragma once

#include "Device.h"

#include <memory>
#include <string>

namespace KivraTolm {

// The one board that bus ("usb" or "net", case-sensitive) and address
// ("host:port" for "net", unread for "usb") designate, not yet opened.
// Throws std::runtime_error "Invalid format for NET device.", "Unknown bus."
// or "Can't open device.", and std::stoi's exceptions for a bad port.
std::unique_ptr<Device> openDevice(const std::string& bus, const std::string& address);

// Opens the board and puts it in the state acquisition relies on: the I/O
// port all inputs at level 0, the first counter configured and counting, and
// the 70 inputs of a frame. A board lacking one of these fails with
// std::out_of_range once the steps before have reached it.
void configure(Device& device);

} // namespace KivraTolm
