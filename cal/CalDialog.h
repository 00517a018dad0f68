#pragma once

#include "SensorSelection.h"

#include <QDialog>
#include <QString>
#include <memory>

class CalibrationData;

namespace KivraTolm {
class Capture;
}

// Records calibration points: on Add, every ticked sensor gets the pair
// (its mean reading, the typed value), but only when all of them pass the
// checks; otherwise none does. Stays open for further values until Done.
namespace Ui {
class CalDialog;
}

class CalDialog : public QDialog {
    Q_OBJECT

public:
    // The three references belong to the main window and outlive the dialog.
    CalDialog(QWidget* parent, const QString& unit, CalibrationData& calibration, const SensorSelection& selection,
              KivraTolm::Capture& capture);
    ~CalDialog() override;

signals:
    void pointsChanged();

public slots:
    void onAdd();

private:
    CalibrationData& calibration;
    const SensorSelection& selection;
    KivraTolm::Capture& capture;
    std::unique_ptr<Ui::CalDialog> ui;
};
