#pragma once

#include <array>

class QCheckBox;
class QPushButton;
class QSpinBox;
class SensorWidget;

// The widgets of one sensor column in the CAL window; the window's widget
// tree owns them.
struct ColumnControls {
    SensorWidget* graph = nullptr;
    std::array<QCheckBox*, 8> selectBoxes = {}; // index = sensor row
    QPushButton* resetButton = nullptr;
    QSpinBox* sensitivityBox = nullptr;
};
