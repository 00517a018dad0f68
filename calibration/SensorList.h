#pragma once

#include "SensorMode.h"

#include <utility>
#include <vector>

// A sensor as (column, row).
using SensorPosition = std::pair<int, int>;

// The sensors whose mask entry equals flag, column by column (column 0 rows
// 0..7 first).
std::vector<SensorPosition> sensorsWhere(const SensorMask& mask, bool flag);
