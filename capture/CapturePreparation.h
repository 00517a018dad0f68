#pragma once

#include "CalibrationData.h"
#include "CaptureDescription.h"
#include "CaptureFileLock.h"
#include "CaptureOptions.h"

#include <QString>

// What a capture needs before the board is asked for frames: its
// calibration loaded, its level triggers checked and its log locked and
// free, with the file name chosen. The same for a capture of the command
// line and one of a command.
struct PreparedCapture {
    CalibrationData calibration;
    CalibrationSource calibrationSource;
    CaptureFileLock lock; // held to the capture's end
    QString output;       // the log's name, its placeholders filled in ("-" for standard output)
    int exitCode = 0;     // with `error`: the tool's exit code
    QString error;
};

PreparedCapture prepareCapture(const CaptureOptions& options);
