#include "CalibrationFileError.h"

#include <utility>

const char* const CalibrationFileError::notRegularFile = "not a regular file";

CalibrationFileError::CalibrationFileError(const std::string& message, std::string path, std::string element,
                                           std::string reason)
    : std::runtime_error(message)
    , fullPath(std::move(path))
    , elementPath(std::move(element))
    , why(std::move(reason)) {}

std::string locationText(const CalibrationFileError& error) {
    std::string text = error.path();
    if (!error.element().empty())
        text += ", element " + error.element();
    if (!error.reason().empty())
        text += ": " + error.reason();
    return text;
}
