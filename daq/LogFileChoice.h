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
    // Made empty just now for this capture ({n}): nothing to overwrite.
    bool created = false;
    // Why no file of the series could be made (the system's reason).
    QString error;
};

// A numbered pattern takes the lowest number whose log and description are
// both absent and that no running capture holds; any other name is filled
// in and locked, and the caller looks at what is there.
LogFileChoice chooseLogFile(const FileNamePattern& pattern, const QDateTime& when);
