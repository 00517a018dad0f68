#pragma once

#include <QString>

#include <memory>

class CalibrationData;
class QMessageBox;
class QWidget;

namespace KivraTolm {
class Capture;
}

// What both main windows do alike with their board: choose it, open the
// engine on it, ask whether to retry after an engine error and send the
// calibration's column sensitivities. What follows an answer differs per
// window and stays there. The texts belong to the windows, so they are
// translated under "MainWindow".

// Asks with the device selection dialog when bus or address is empty and
// takes the choice. False when the dialog was cancelled.
bool chooseDevice(QWidget* parent, QString& bus, QString& address);

// The engine on that board; it starts acquiring at once.
std::shared_ptr<KivraTolm::Capture> openCapture(const QString& bus, const QString& address);

// "Error: <text>\nRetry ?" with Yes and No, not yet shown.
QMessageBox* newRetryQuestion(const QString& error, QWidget* parent);

// Each column's stored sensitivity to the engine, columns 0..7.
void sendColumnSensitivities(KivraTolm::Capture& capture, const CalibrationData& calibration);
