#pragma once

#include <QString>
#include <QStringList>

// What the command line says: the device ("use=" bus "/" address) and the
// calibration file ("cfg=" path). Each stays empty unless an argument sets it.
struct StartArguments {
    QString bus;
    QString address;
    QString calibrationFile;
};

// Walks all arguments, the program's path included. Unknown or malformed
// arguments are ignored; of repeated ones the last that takes effect wins.
StartArguments parseStartArguments(const QStringList& arguments);
