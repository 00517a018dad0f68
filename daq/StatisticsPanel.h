#pragma once

#include "FrameStatistics.h"

#include <QString>
#include <QWidget>

class CalibrationData;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;

// The statistics of the frame the grid shows, beside the grid: sum, maximum
// and its sensor, active sensors and their mean, the centre, in the unit the
// grid shows them, and the threshold of the active sensors. The threshold is
// kept in the settings with its unit; a calibration of another unit starts
// from a default again. A plain widget rather than a group box: the values
// change every tick, and a group box would paint its frame and title anew
// under each of them.
class StatisticsPanel : public QWidget {
    Q_OBJECT

public:
    explicit StatisticsPanel(QWidget* parent = nullptr);

    // The unit of what the grid shows with this calibration: the
    // calibration's unit when a sensor has points, else %. Returns true when
    // the threshold was kept for another unit and has been reset.
    bool setCalibration(const CalibrationData& calibration);
    void showStatistics(const FrameStatistics& statistics);

    double threshold() const;
    QString unit() const { return shownUnit; }
    bool centreShown() const;
    // Without a calibration 10 % of full scale; with one, 10 % of the
    // largest value of its points (0 when that is not positive).
    static double defaultThreshold(const CalibrationData& calibration);

signals:
    void thresholdChanged(double threshold);
    void centreToggled(bool shown);

private:
    void saveThreshold(double threshold) const;

    QString shownUnit = QStringLiteral("%");
    QString labelUnit = QStringLiteral("%");
    int counted = 64;
    QLabel* lblSum = nullptr;
    QLabel* lblMaximum = nullptr;
    QLabel* lblActive = nullptr;
    QLabel* lblMean = nullptr;
    QLabel* lblCentre = nullptr;
    QLabel* lblCounted = nullptr;
    QDoubleSpinBox* spnThreshold = nullptr;
    QCheckBox* chkCentre = nullptr;
};
