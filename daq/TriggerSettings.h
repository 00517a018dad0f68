#pragma once

#include <QString>

#include <array>
#include <cstdint>

// What a capture records and what starts it, read from the window's controls
// when the capture is armed. Sensor arrays are indexed row * 8 + column.
struct TriggerSettings {
    double sampleRate = 0; // Hz as the user gave it (the window: whole numbers only)
    std::int32_t preTriggerSamples = 0;
    QString fileName;
    bool externalTrigger = false;
    std::int32_t captureSamples = 0; // frames from the trigger on; 0: no limit
    std::array<bool, 64> logSensor = {};
    std::array<bool, 64> levelTrigger = {};
    std::array<float, 64> level = {};
    std::array<QString, 64> unit;
    bool logTimestamp = false;
    std::array<bool, 4> logAnalog = {};
    bool logDigital = false;
    bool logCounter = false;
};
