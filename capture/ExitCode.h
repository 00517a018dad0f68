#pragma once

// The exit codes of kivratolm-capture, as its manual page lists them.
enum ExitCode {
    ExitCaptured = 0,    // the capture ended as asked
    ExitUsage = 2,       // a bad option or value
    ExitBoard = 3,       // the board or the engine failed
    ExitCalibration = 4, // the calibration file could not be loaded
    ExitOutput = 5,      // the log file is refused, cannot be created or rows were lost
    ExitNoTrigger = 6,   // nothing triggered before --timeout
    ExitSignal = 130,    // SIGINT or SIGTERM before the length was reached
};
