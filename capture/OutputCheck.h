#pragma once

#include "CaptureOptions.h"

// Empty when the log can be written where the options say; otherwise why
// not: an existing log or description without --overwrite, a folder, or a
// file that cannot be created there. Leaves nothing behind.
QString outputProblem(const CaptureOptions& options);
