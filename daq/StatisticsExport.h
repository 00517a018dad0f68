#pragma once

#include <QString>

class LogTrendSource;

// The statistics of every row of a reviewed log as a CSV file in the log's
// own conventions: a "#" line that says what they are of, a column line,
// then one row per log row, its time stamp (or row number, from 0) first,
// every field followed by ';', '.' as decimal point, 8 decimals. A figure
// without a value (no centre) is an empty field. Written in one step: the
// file is complete or not there. Returns what went wrong, empty when written.
QString writeStatisticsCsv(const LogTrendSource& log, double threshold, const QString& path);
