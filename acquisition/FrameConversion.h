#pragma once

#include "Frame.h"
#include "InputFrame.h"

#include <cstdint>
#include <deque>

namespace KivraTolm {

// The board reports raw sensor values 2.5 times the intensity the programs show.
constexpr float sensorScale = 2.5f;

// The InputFrame of one board frame read with the 70-input frame set-up.
// Throws boost::numeric::bad_numeric_cast when the I/O port word, read as a
// signed 32-bit number, does not fit 16 bits, and std::out_of_range when the
// frame lacks an input.
InputFrame toInputFrame(const Frame& frame, std::uint32_t number, std::uint64_t timestamp);

// Element-wise mean of the sensors and analog values of every frame, digital
// and counter of the newest; all zeros for no frame.
InputFrame averageOf(const std::deque<InputFrame>& frames);

} // namespace KivraTolm
