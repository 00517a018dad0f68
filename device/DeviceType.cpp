#include "DeviceType.h"

#include <stdexcept>

namespace KivraTolm {

// Function-local statics: other static initialisers may already need them.
const DeviceType& DeviceType::all() {
    static const DeviceType type{0x7D400000, "All"};
    return type;
}

const DeviceType& DeviceType::usb() {
    static const DeviceType type{0x7D400001, "Usb"};
    return type;
}

const DeviceType& DeviceType::kivraTolm() {
    static const DeviceType type{0x7D4035A0, "KivraTolm"};
    return type;
}

const DeviceType& DeviceType::fromId(std::uint32_t id) {
    for (const DeviceType* type : {&all(), &usb(), &kivraTolm()}) {
        if (type->id == id)
            return *type;
    }
    throw std::out_of_range("Invalid id.");
}

} // namespace KivraTolm
