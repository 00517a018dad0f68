#pragma once

#include "LabelTextCache.h"
#include "OverlayCache.h"
#include "PictureCache.h"
#include "UnitFit.h"

#include <QFont>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>

// What a cell shows: its reading (grey and text), only its value (a replayed
// log keeps the value but not the reading the grey follows), or that the
// sensor was not logged.
enum class GridCellShown { Reading, ValueOnly, NotLogged };

// One sensor of the grid view.
struct GridCell {
    double intensity = 0.0;
    double value = 0.0;
    QString unit;
    bool hasCalibration = false;
    GridCellShown shown = GridCellShown::Reading;
};

// The whole 8 x 8 sensor array: one square cell per sensor (column across,
// row down), its grey following the raw reading, labelled with the sensor's
// name and value. The owner pushes values in and calls animate().
class Grid8x8Widget : public QWidget {
    Q_OBJECT

public:
    explicit Grid8x8Widget(QWidget* parent = nullptr);
    ~Grid8x8Widget() override;

    const GridCell& cell(int column, int row) const;
    // The label fonts, fixed from the theme current at construction.
    QFont labelFont() const { return font; }
    QFont smallLabelFont() const { return smallFont; }
    // What a cell shows: name, then the calibrated value or the reading in %.
    QString cellText(int column, int row) const;
    // cellText() as the cell draws it: a unit too wide for the cell on its
    // own is cut, and the value line elided to the cell (UnitFit).
    QString shownText(int column, int row) const;
    // The font a cell's text is drawn in: the small one when it does not fit.
    QFont fontFor(int column, int row) const;

    // Background, grid lines and frame are cached per size and theme, so are
    // the cell outlines (composed over the cells), laid-out label lines per
    // text; the picture is the same either way.
    void setPaintCacheEnabled(bool enabled);

public slots:
    void animate();
    void updateSensor(int column, int row, double intensity, double value);
    void setCalibration(int column, int row, bool has);
    void setUnit(const QString& unit);
    void setCellShown(int column, int row, GridCellShown shown);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintBackground(QPainter& painter) const;
    void paintOutlines(QPainter& painter) const;
    bool outlinesComposable() const;
    void paintFrame(QPainter& painter) const;
    bool frameClearOfCells() const;
    bool fitsLabelFont(const QRectF& rect, const QString& text) const;

    void paintCell(QPainter& painter, int column, int row);

    std::array<GridCell, 64> cells;
    QFont font;
    QFont smallFont;
    PictureCache backgroundCache;
    OverlayCache outlineCache;
    std::shared_ptr<LabelTextCache> labelText = LabelTextCache::shared();
    bool labelTextCached = true;
    // The unit as the cells show it, fitted in the small font.
    mutable UnitFit cellUnit;
};
