#pragma once

#include "InputFrame.h"
#include "TriggerSettings.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// The text of the capture log: one header line, one column line, one row per
// frame, every field followed by ';'. Numbers use '.' whatever the locale.
class CsvFormat {
public:
    explicit CsvFormat(const TriggerSettings& settings);

    std::string headerLine(const QString& reason, std::uint64_t triggerTime) const;
    std::string columnLine() const;
    // Appends the row of a frame whose sensors are already converted.
    void appendRow(std::string& out, const KivraTolm::InputFrame& frame) const;

    // Fixed point, 8 decimals, no exponent, e.g. 0.5 -> "0.50000000".
    static void appendFixed8(std::string& out, double value);
    // A sensor's unit as its column title holds it: ";" would split the
    // column and a line break the line, so they become "," and a blank.
    static QString columnUnit(QString unit);

private:
    TriggerSettings settings;
    std::vector<int> loggedSensors; // flat indices, column by column
};

// A time in ms since 1970 as local "yyyy-MM-dd hh:mm:ss.zzz".
QString dateTimeText(std::uint64_t msSinceEpoch);
