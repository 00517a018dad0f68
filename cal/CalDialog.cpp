#include "CalDialog.h"

#include "ui_CalDialog.h"

#include "CalibrationData.h"
#include "Capture.h"
#include "PlainMessageBox.h"
#include "ScreenFit.h"

#include <exception>
#include <tuple>
#include <vector>

namespace {

// A single point near 0 makes the line through the origin flat, and the
// bar graphs lose their scale.
bool closeToZero(float value) {
    const double widened = value;
    return -0.0001 < widened && widened < 0.0001;
}

} // namespace

CalDialog::CalDialog(QWidget* parent, const QString& unit, CalibrationData& calibration,
                     const SensorSelection& selection, KivraTolm::Capture& capture)
    : QDialog(parent)
    , calibration(calibration)
    , selection(selection)
    , capture(capture)
    , ui(std::make_unique<Ui::CalDialog>()) {
    ui->setupUi(this);
    limitToScreen(*this);
    ui->lblUnit->setText(unit);
    connect(ui->btnAdd, &QPushButton::clicked, this, &CalDialog::onAdd);
    connect(ui->btnDone, &QPushButton::clicked, this, &QDialog::accept);
}

void CalDialog::onAdd() {
    const KivraTolm::InputFrame frame = capture.averagedFrame();
    const auto value = static_cast<float>(ui->spnValue->value());

    // Every sensor is listed once, so each check sees its sensor's list as
    // it was before this Add; nothing is written until all have passed.
    std::vector<std::tuple<int, int, CalibrationPoint>> staged;
    QString refusal;
    for (const auto& sensor : sensorsWhere(selection, true)) {
        const int c = sensor.column;
        const int r = sensor.row;
        const CalibrationPoint point{frame.sensors[r][c], value};
        if (!calibration.canAddPoint(c, r, point)) {
            refusal = tr("Adding this point to the sensors calibration list would break the graphs linearity, please "
                         "try again.");
            break;
        }
        if (calibration.points(c, r).empty() && closeToZero(value)) {
            refusal = tr("Adding a value that close to 0 as the first calibration point would break visualization, "
                         "please add larger or smaller value first.");
            break;
        }
        staged.emplace_back(c, r, point);
    }

    if (!refusal.isEmpty()) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"), refusal);
        return;
    }

    try {
        for (const auto& [c, r, point] : staged)
            calibration.addPoint(c, r, point);
    } catch (const std::exception& e) {
        showPlainMessage(this, QMessageBox::Critical, tr("Error"), QString::fromStdString(e.what()));
    }
    emit pointsChanged();
}

CalDialog::~CalDialog() = default;
