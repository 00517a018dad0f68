#pragma once

#include <QString>

// Whether the folder of `path` takes a new file, tried with a real one that
// is let go at once and leaves nothing behind. Empty when it does, else the
// system's reason ("Read-only file system", "Permission denied", ...).
QString newFileProblem(const QString& path);
