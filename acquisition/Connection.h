#pragma once

#include "Device.h"

#include <memory>
#include <string>

namespace KivraTolm {

// A port that is no number, and one beyond the 32-bit range: %1 stands for
// the port as given. The windows translate these texts.
constexpr char portNotANumberText[] = "The port in host:port must be a number, not \"%1\".";
constexpr char portOutOfRangeText[] = "The port in host:port is out of range: \"%1\".";

struct NetworkAddress {
    std::string host;
    int port = 0;
};

// A network board's address "host:port": exactly one colon; the host is not
// checked, the port is read as std::stoi reads it (leading blanks and a sign
// taken, reading stops at the first non-digit). Throws std::runtime_error
// "Invalid format for NET device.", std::invalid_argument (portNotANumberText)
// or std::out_of_range (portOutOfRangeText).
NetworkAddress parseNetworkAddress(const std::string& address);

// The one board that bus ("usb" or "net", case-sensitive) and address
// ("host:port" for "net", unread for "usb") designate, not yet opened.
// Throws std::runtime_error "Unknown bus." or "Can't open device.", and
// parseNetworkAddress's exceptions.
std::unique_ptr<Device> openDevice(const std::string& bus, const std::string& address);

// Opens the board and puts it in the state acquisition relies on: the I/O
// port all inputs at level 0, the first counter configured and counting, and
// the 70 inputs of a frame. A board lacking one of these fails with
// std::out_of_range once the steps before have reached it.
void configure(Device& device);

} // namespace KivraTolm
