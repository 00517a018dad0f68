#pragma once

#include "SensorMode.h"

// Which sensors receive the next calibration point: one flag per sensor,
// index row * 8 + column, as last ticked by the user.
using SensorSelection = SensorMask;
