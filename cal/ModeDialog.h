#pragma once

#include "SensorPosition.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>

class CalibrationData;
class QCheckBox;

// Chooses which sensors take part in calibration: the diagonal, all, or a
// hand-picked set. Works on a copy of the mode and the custom set, which only
// OK writes into the calibration; switching modes keeps the custom ticks.
namespace Ui {
class ModeDialog;
}

class ModeDialog : public QDialog {
    Q_OBJECT

public:
    ModeDialog(QWidget* parent, CalibrationData& calibration);
    ~ModeDialog() override;

    QCheckBox* sensorBox(int column, int row) const { return checkBoxes.at(SensorPosition{column, row}.index()); }

private:
    void selectMode(std::int32_t newMode);
    void showState();
    void apply();

    CalibrationData& calibration;
    std::array<QCheckBox*, 64> checkBoxes = {}; // index row * 8 + column
    std::int32_t mode = 0;
    std::array<bool, 64> custom = {};
    std::unique_ptr<Ui::ModeDialog> ui;
};
