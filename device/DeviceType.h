#pragma once

#include <cstdint>
#include <string>

namespace KivraTolm {

// A kind of board as the device library names it.
struct DeviceType {
    std::uint32_t id = 0;
    std::string name;

    // The three types the library reports, in the order enumeration matches them.
    static const DeviceType& all();
    static const DeviceType& usb();
    static const DeviceType& kivraTolm();

    // The known type with this id; throws std::out_of_range "Invalid id." for any other.
    static const DeviceType& fromId(std::uint32_t id);
};

} // namespace KivraTolm
