#pragma once

#include <QString>

#include <exception>

class QWidget;

// The details of a calibration file that failed, one fact a line: the file's
// full path, the element the reader had reached and the system's reason.
// Empty for an exception that is no CalibrationFileError.
QString calibrationErrorDetails(const std::exception& error);

// A critical box with the fixed text and those details as its detailed
// text, shown modally.
void showCalibrationError(QWidget* parent, const QString& title, const QString& text, const std::exception& error);
