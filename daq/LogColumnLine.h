#pragma once

#include "CaptureLogReader.h"

#include <QString>

#include <optional>
#include <string_view>
#include <vector>

namespace KivraTolm {

// The columns of a capture log's column line (without its line ending), e.g.
// "TimeStamp (ms);Sensor A1 (kPa);AIn0 (V);Digital port (bits);Counter;".
// A sensor's unit is free text: it ends at the first ");" behind which the
// line ends or the next known title begins. Nothing, with `problem` set to
// what is wrong, when the line is not one a capture writes.
std::optional<std::vector<LogColumn>> parseColumnLine(std::string_view line, QString& problem);

} // namespace KivraTolm
