#include "FaultTable.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace KivraTolmEmulator {

bool FaultTable::isFaultable(const std::string& function) {
    // GetErrorLength and GetError are how a fault's message is read back.
    static const std::array<const char*, 19> names = {"BeginEnumerate",
                                                      "GetIdentifier",
                                                      "Open",
                                                      "OpenNetwork",
                                                      "Close",
                                                      "GetDeviceParameter",
                                                      "GetPeripheralName",
                                                      "GetDigitalPortIoCount",
                                                      "GetDigitalPortIoName",
                                                      "SetDigitalPortOutputEnableMask",
                                                      "WriteDigitalPort",
                                                      "SetCounterConfig",
                                                      "SetCounterEnable",
                                                      "ResetCounter",
                                                      "SetColumnSensitivity",
                                                      "SetupInputFrame",
                                                      "StartDataAcquisition",
                                                      "StopDataAcquisition",
                                                      "ReadNonBlocking"};
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return function == name; });
}

void FaultTable::add(const Fault& fault) {
    if (!isFaultable(fault.function))
        throw std::invalid_argument("No function \"" + fault.function +
                                    "\" can fail (name it without \"KivraTolm\", e.g. \"Open\")");
    if (fault.status == 0)
        throw std::invalid_argument("A fault of " + fault.function + " needs a non-zero status");
    if (fault.afterCalls < 0)
        throw std::invalid_argument("A fault of " + fault.function + " needs afterCalls >= 0");
    entries.push_back(Entry{fault});
}

std::optional<Fault> FaultTable::onCall(const std::string& function) {
    std::optional<Fault> due;
    for (Entry& entry : entries) {
        if (entry.fault.function != function)
            continue;
        ++entry.calls;
        const bool exhausted = entry.fault.times >= 0 && entry.fired >= entry.fault.times;
        if (!due && entry.calls > entry.fault.afterCalls && !exhausted) {
            ++entry.fired;
            due = entry.fault;
        }
    }
    return due;
}

} // namespace KivraTolmEmulator
