// Reading and writing the calibration file (*.tolmcal3).

#include "CalibrationData.h"

#include "NumberText.h"
#include "xelement.h"

#include <stdexcept>
#include <utility>

namespace {

[[noreturn]] void fail(const char* message) {
    throw std::runtime_error(message);
}

} // namespace

void CalibrationData::load(const std::string& path, std::string* bytes) {
    // Read into a fresh object so that a bad file changes nothing here.
    CalibrationData loaded;
    std::string text;
    loaded.read(path, bytes ? &text : nullptr);
    if (bytes)
        *bytes = std::move(text);
    *this = std::move(loaded);
}

void CalibrationData::read(const std::string& path, std::string* bytes) {
    clear();
    const xelement_ptr root = xelement::fromFile(path, bytes);
    if (root->getName() != "calibration")
        fail("Invalid file structure (invalid root).");
    requireAttribute(*root, "unit");
    requireAttribute(*root, "enableMode");
    unitText = root->getAttribute("unit", "");
    modeNumber = static_cast<std::int32_t>(checkMode(root->getAttributeInt("enableMode", 0)));

    if (!root->hasChild("customSelected"))
        fail("Invalid file structure (customSelected missing).");
    for (const xelement_ptr& selected : root->getChildren("customSelected").front()->getChildren("selected")) {
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

    if (!root->hasChild("columns"))
        fail("Invalid file structure (columns missing).");
    std::size_t c = 0;
    for (const xelement_ptr& column : root->getChildren("columns").front()->getChildren("column")) {
        if (c >= columnData.size())
            fail("Invalid file structure (too many columns).");
        requireAttribute(*column, "sensitivity");
        columnData[c].sensitivity = column->getAttributeInt("sensitivity", CalibrationColumn::defaultSensitivity);
        std::size_t r = 0;
        for (const xelement_ptr& row : column->getChildren("row")) {
            if (r >= columnData[c].points.size())
                fail("Invalid file structure (too many rows).");
            CalibrationPoints& points = columnData[c].points[r];
            for (const xelement_ptr& point : row->getChildren("point")) {
                requireAttribute(*point, "x");
                requireAttribute(*point, "y");
                const float x = narrowToFloat(point->getAttributeDouble("x", 0.0));
                const float y = narrowToFloat(point->getAttributeDouble("y", 0.0));
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

    root->save(path);
    modified = false;
}
