#pragma once

#include "CaptureLogReader.h"

#include <QString>

#include <cstddef>

// Rows [from, to) of a log read back, as a capture log of its own that the
// review reads like any other: the log's header line, whose pre-trigger count
// becomes the rows before the trigger that the excerpt holds, its column line
// and the rows in the log's conventions. No description goes with it.
// Written in one step: the file is complete or not there. Returns what went
// wrong, empty when written.
QString writeLogExcerpt(const KivraTolm::CaptureLogContent& log, std::size_t from, std::size_t to, const QString& path);
