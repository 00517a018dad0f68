#include "EmulatedCounter.h"

#include "PeripheralIds.h"

namespace KivraTolmEmulator {

void EmulatedCounter::advanceTo(std::uint64_t streamPulses) {
    if (streamPulses > pulsesSeen_ && enabled_ && config_ == externalTriggerSource)
        count_ += streamPulses - pulsesSeen_;
    pulsesSeen_ = streamPulses;
}

} // namespace KivraTolmEmulator
