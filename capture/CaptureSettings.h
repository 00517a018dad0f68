#pragma once

#include "AcquisitionSettings.h"
#include "CaptureOptions.h"
#include "TriggerSettings.h"

class CalibrationData;

// The capture the options ask for, in the terms the DAQ window arms one
// with: the sensors to log and their units come from the calibration as the
// window takes them.
TriggerSettings triggerSettingsFor(const CaptureOptions& options, const CalibrationData& calibration);

// How the engine runs for these options.
KivraTolm::AcquisitionSettings acquisitionSettingsFor(const CaptureOptions& options);

// Empty when every level trigger is on a sensor with calibration points;
// otherwise why not (a usage error): like the window, only a calibrated
// sensor can trigger.
QString levelTriggerProblem(const CaptureOptions& options, const CalibrationData& calibration);
