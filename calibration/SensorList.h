#pragma once

#include "SensorMode.h"
#include "SensorPosition.h"

#include <utility>
#include <vector>

// The sensors whose mask entry equals flag, column by column (column 0 rows
// 0..7 first).
std::vector<SensorPosition> sensorsWhere(const SensorMask& mask, bool flag);
