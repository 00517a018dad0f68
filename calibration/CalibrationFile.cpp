// Reading and writing the calibration file (*.tolmcal3).

#include "CalibrationData.h"

#include "CalibrationFileError.h"
#include "NumberText.h"
#include "xelement.h"
#include "xml_error.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace {

[[noreturn]] void fail(const char* message) {
    throw std::runtime_error(message);
}

std::string fullPath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

// "name[n]", the n-th (from 1) of its kind below its parent, as XPath counts.
std::string step(const char* name, std::size_t index) {
    return std::string("/") + name + "[" + std::to_string(index + 1) + "]";
}

// A point coordinate: beyond the float range it throws Boost's overflow
// message; "nan" parses as a number but is none, and would show and log
// as "nan" everywhere.
float coordinate(const xelement& point, const char* name) {
    const double value = point.getAttributeDouble(name, 0.0);
    if (std::isnan(value)) {
        // Quoted only as far as a number goes: the attribute may be any text.
        std::string text = point.getAttribute(name, "");
        if (text.size() > 40)
            text = text.substr(0, 40) + "...";
        throw std::runtime_error("Element 'point' has attribute '" + std::string(name) + "' = '" + text +
                                 "', which is not a number.");
    }
    return narrowToFloat(value);
}

} // namespace

void CalibrationData::load(const std::string& path, std::string* bytes) {
    // Read into a fresh object so that a bad file changes nothing here.
    CalibrationData loaded;
    std::string text;
    std::string element;
    try {
        loaded.read(path, bytes ? &text : nullptr, element);
    } catch (const xml_error& e) {
        throw CalibrationFileError(e.what(), fullPath(path), element, e.reason());
    } catch (const std::exception& e) {
        throw CalibrationFileError(e.what(), fullPath(path), element, std::string());
    }
    if (bytes)
        *bytes = std::move(text);
    *this = std::move(loaded);
}

void CalibrationData::read(const std::string& path, std::string* bytes, std::string& element) {
    clear();
    const xelement_ptr root = xelement::fromFile(path, bytes);
    element = "/" + root->getName();
    if (root->getName() != "calibration")
        fail("Invalid file structure (invalid root).");
    requireAttribute(*root, "unit");
    requireAttribute(*root, "enableMode");
    unitText = root->getAttribute("unit", "");
    modeNumber = static_cast<std::int32_t>(checkMode(root->getAttributeInt("enableMode", 0)));

    if (!root->hasChild("customSelected"))
        fail("Invalid file structure (customSelected missing).");
    const std::vector<xelement_ptr> selection = root->getChildren("customSelected").front()->getChildren("selected");
    for (std::size_t s = 0; s < selection.size(); ++s) {
        const xelement_ptr& selected = selection[s];
        element = "/calibration/customSelected[1]" + step("selected", s);
        requireAttribute(*selected, "column");
        requireAttribute(*selected, "row");
        const std::int32_t column = selected->getAttributeInt("column", 0);
        const std::int32_t row = selected->getAttributeInt("row", 0);
        if (column < 0 || column > 7)
            fail("Invalid column in custom selection.");
        if (row < 0 || row > 7)
            fail("Invalid row in custom selection.");
        customMask[SensorPosition{column, row}.index()] = true;
    }

    element = "/calibration";
    if (!root->hasChild("columns"))
        fail("Invalid file structure (columns missing).");
    element = "/calibration/columns[1]";
    std::size_t c = 0;
    for (const xelement_ptr& column : root->getChildren("columns").front()->getChildren("column")) {
        const std::string columnPath = "/calibration/columns[1]" + step("column", c);
        element = columnPath;
        if (c >= columnData.size())
            fail("Invalid file structure (too many columns).");
        requireAttribute(*column, "sensitivity");
        columnData[c].sensitivity = column->getAttributeInt("sensitivity", CalibrationColumn::defaultSensitivity);
        std::size_t r = 0;
        for (const xelement_ptr& row : column->getChildren("row")) {
            const std::string rowPath = columnPath + step("row", r);
            element = rowPath;
            if (r >= columnData[c].points.size())
                fail("Invalid file structure (too many rows).");
            CalibrationPoints& points = columnData[c].points[r];
            std::size_t p = 0;
            for (const xelement_ptr& point : row->getChildren("point")) {
                element = rowPath + step("point", p++);
                requireAttribute(*point, "x");
                requireAttribute(*point, "y");
                const float x = coordinate(*point, "x");
                const float y = coordinate(*point, "y");
                points.push_back(CalibrationPoint{x, y});
            }
            ++r;
        }
        ++c;
    }
    modified = false;
}

void CalibrationData::save(const std::string& path) {
    const xelement_ptr root = xelement::create("calibration");
    root->setAttribute("unit", unitText);
    root->setAttribute("enableMode", static_cast<std::int32_t>(checkMode(modeNumber)));

    const xelement_ptr selection = root->addChild("customSelected");
    for (const auto& [column, row] : sensorsWhere(customMask, true)) {
        const xelement_ptr selected = selection->addChild("selected");
        selected->setAttribute("column", std::int32_t{column});
        selected->setAttribute("row", std::int32_t{row});
    }

    const xelement_ptr columns = root->addChild("columns");
    for (const CalibrationColumn& column : columnData) {
        const xelement_ptr columnElement = columns->addChild("column");
        columnElement->setAttribute("sensitivity", column.sensitivity);
        for (const CalibrationPoints& points : column.points) {
            const xelement_ptr rowElement = columnElement->addChild("row");
            for (const CalibrationPoint& point : points) {
                const xelement_ptr pointElement = rowElement->addChild("point");
                pointElement->setAttribute("x", point.intensity);
                pointElement->setAttribute("y", point.value);
            }
        }
    }

    try {
        root->save(path);
    } catch (const xml_error& e) {
        throw CalibrationFileError(e.what(), fullPath(path), std::string(), e.reason());
    }
    modified = false;
}
