#pragma once

#include <optional>
#include <string>
#include <string_view>

// A sensor of the 8 × 8 array, (column, row) each 0..7. Frames and every
// 64-entry mask are indexed row * 8 + column; the sensor's name is the
// column's letter and the row's number, "A1" (column 0, row 0) .. "H8".
struct SensorPosition {
    int column = 0;
    int row = 0;

    constexpr int index() const { return row * 8 + column; }
    static constexpr SensorPosition fromIndex(int index) { return {index % 8, index / 8}; }

    std::string name() const;
    // The sensor of a name "A1".."H8" (the letter in either case); nothing
    // for any other text.
    static std::optional<SensorPosition> fromName(std::string_view name);

    constexpr bool operator==(const SensorPosition& other) const { return column == other.column && row == other.row; }
};
