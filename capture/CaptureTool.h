#pragma once

#include <QStringList>

// kivratolm-capture from its arguments (the program's path first) to its
// exit code. Needs a QCoreApplication; runs its event loop for a capture.
int runCaptureTool(const QStringList& arguments);
