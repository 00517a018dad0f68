#pragma once

#include <QString>
#include <QStringList>

// The CAL program beside the DAQ program: "-daq-" becomes "-cal-" in the
// file name only, so a directory of that name stays as it is.
QString calProgramPath(const QString& daqProgramPath);
// The CAL program's command line for the same board and calibration file.
QStringList calProgramArguments(const QString& bus, const QString& address, const QString& calibrationFile);
