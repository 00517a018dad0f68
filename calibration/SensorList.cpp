#include "SensorList.h"

std::vector<SensorPosition> sensorsWhere(const SensorMask& mask, bool flag) {
    std::vector<SensorPosition> sensors;
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            const SensorPosition sensor{column, row};
            if (mask[sensor.index()] == flag)
                sensors.push_back(sensor);
        }
    }
    return sensors;
}
