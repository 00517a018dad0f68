#include "SensorPosition.h"

std::string SensorPosition::name() const {
    return {static_cast<char>('A' + column), static_cast<char>('1' + row)};
}

std::optional<SensorPosition> SensorPosition::fromName(std::string_view name) {
    if (name.size() != 2)
        return std::nullopt;
    const char letter = name[0] >= 'a' && name[0] <= 'h' ? static_cast<char>(name[0] - 'a' + 'A') : name[0];
    if (letter < 'A' || letter > 'H' || name[1] < '1' || name[1] > '8')
        return std::nullopt;
    return SensorPosition{letter - 'A', name[1] - '1'};
}
