#include "EmulatedCounter.h"

#include "PeripheralIds.h"

namespace KivraTolmEmulator {

void EmulatedCounter::advanceTo(std::uint64_t streamPulses) {
    if (streamPulses > pulsesSeen && counting && configuration == externalTriggerSource)
        count += streamPulses - pulsesSeen;
    pulsesSeen = streamPulses;
}

} // namespace KivraTolmEmulator
