#pragma once

#include <stdexcept>
#include <string>

// A calibration file that failed to load or to save. what() is the message
// the user knows ("Can't open file : x.tolmcal3", "Invalid mode."); the rest
// says where to look: the file's full path, the element the reader had
// reached (e.g. /calibration/columns/column[2]/row[1]/point[3]) and the
// system's reason. Element and reason are empty when they don't apply.
class CalibrationFileError : public std::runtime_error {
public:
    CalibrationFileError(const std::string& message, std::string path, std::string element, std::string reason);

    const std::string& path() const noexcept { return fullPath; }
    const std::string& element() const noexcept { return elementPath; }
    const std::string& reason() const noexcept { return why; }

    // The reason given for a file that is not a regular file (a named pipe,
    // a device); front ends translate it.
    static const char* const notRegularFile;

private:
    std::string fullPath;
    std::string elementPath;
    std::string why;
};

// Path, element and reason in one line, for a message on a terminal:
// "/home/u/x.tolmcal3, element /calibration/columns/column[1]: reason".
std::string locationText(const CalibrationFileError& error);
