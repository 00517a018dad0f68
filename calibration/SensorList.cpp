#include "SensorList.h"

std::vector<SensorPosition> sensorsWhere(const SensorMask& mask, bool flag) {
    std::vector<SensorPosition> sensors;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            if (mask[row * 8 + column] == flag)
                sensors.emplace_back(column, row);
        }
    }
    return sensors;
}
