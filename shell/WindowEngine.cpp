#include "WindowEngine.h"

#include "CalibrationData.h"
#include "Capture.h"
#include "PlainMessageBox.h"
#include "SelDialog.h"

#include <QCoreApplication>

bool chooseDevice(QWidget* parent, QString& bus, QString& address) {
    if (!bus.isEmpty() && !address.isEmpty())
        return true;
    SelDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    bus = dialog.bus();
    address = dialog.address();
    return true;
}

std::shared_ptr<KivraTolm::Capture> openCapture(const QString& bus, const QString& address) {
    return std::make_shared<KivraTolm::Capture>(bus.toStdString(), address.toStdString());
}

QMessageBox* newRetryQuestion(const QString& error, QWidget* parent) {
    return newPlainMessageBox(QMessageBox::Question, QCoreApplication::translate("MainWindow", "Error"),
                              QCoreApplication::translate("MainWindow", "Error: %1\nRetry ?").arg(error),
                              QMessageBox::Yes | QMessageBox::No, parent);
}

void sendColumnSensitivities(KivraTolm::Capture& capture, const CalibrationData& calibration) {
    for (int column = 0; column < 8; ++column)
        capture.setColumnSensitivity(column, calibration.sensitivity(column));
}
