#pragma once

#include "CaptureFileLock.h"
#include "FileNamePattern.h"

#include <QDateTime>
#include <QString>

// The log file a capture is armed for: the name the user gave with its
// placeholders filled in, and the capture lock of that file. The DAQ window
// and the command-line tool choose alike.
struct LogFileChoice {
    QString fileName;
    CaptureFileLock lock;
    // A number of a series ({n}) found free and taken for this capture:
    // there is nothing to overwrite.
    bool fresh = false;
    // Why no file of the series could be made (the system's reason).
    QString error;
};

// A numbered pattern takes the lowest number whose log and description are
// both absent and that no running capture holds. The log is made
// exclusively to be sure of that and removed again: from then on the lock
// keeps other captures off the number, and the capture's first block makes
// the file, as for any log (a capture that never triggers leaves none). Any
// other name is filled in and locked, and the caller looks at what is there.
LogFileChoice chooseLogFile(const FileNamePattern& pattern, const QDateTime& when);
