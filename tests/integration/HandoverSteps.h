#pragma once

// What the CAL part of the hand-over records and the DAQ part expects. Both
// sensors lie on the diagonal, the only ones a fresh calibration enables.
namespace Handover {

struct Sensor {
    int column;
    int row;
};

constexpr Sensor first = {2, 2};  // C3
constexpr Sensor second = {5, 5}; // F6

// Two Adds, each with the readings of both sensors and the typed value.
struct Step {
    float firstReading;
    float secondReading;
    double value;
};
constexpr Step steps[] = {{0.2f, 0.4f, 10.0}, {0.6f, 0.8f, 30.0}};

constexpr const char* unit = "N";
constexpr int sensitivityColumn = 4;
constexpr int sensitivity = 12;

// Readings for the DAQ window and the values they convert to.
constexpr float firstReading = 0.4f;  // halfway from 0.2 to 0.6: 20
constexpr float secondReading = 0.5f; // a quarter from 0.4 to 0.8: 15
constexpr double firstValue = 20.0;
constexpr double secondValue = 15.0;

} // namespace Handover
