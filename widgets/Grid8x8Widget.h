#pragma once

#include "UnitFit.h"

#include <QFont>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTextLayout>
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

public slots:
    // Repaints at once what changed since the last paint: the cells whose
    // grey, text or font changed, or the whole widget after a change of
    // size, theme or pixel ratio.
    void animate();
    void updateSensor(int column, int row, double intensity, double value);
    void setCalibration(int column, int row, bool has);
    void setUnit(const QString& unit);
    void setCellShown(int column, int row, GridCellShown shown);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // A cell as it is drawn; `grey` -1 for one that must be drawn whole.
    struct Look {
        int grey = -1;
        GridCellShown shown = GridCellShown::Reading;
        QString text;
        bool small = false; // in the small font
        // The text's lines (name, value) laid out, and where each goes.
        std::array<std::shared_ptr<const QTextLayout>, 2> lines;
        std::array<QPointF, 2> at;
        bool clipped = false; // wider or higher than the cell: cut to it
        QRect textArea;       // where a text in the small font may reach past the cell
        bool showsAs(const Look& other) const {
            return grey == other.grey && shown == other.shown && text == other.text && textArea == other.textArea;
        }
    };
    Look lookOf(int index) const;
    // Lays the look's text out as drawText() with Qt::AlignCenter lays it
    // out in the cell: in the label font when it fits, else the small one.
    void layOut(Look& look, int index, bool cut) const;
    // One line shaped in `font`, ready to be drawn as often as it is shown.
    static std::shared_ptr<const QTextLayout> laidOut(const QString& line, const QFont& font);
    // The cell with its outline, and with its text where that overflows.
    QRect cellArea(int index) const;
    void paintPictures();
    QRectF devicePixels(const QRect& rect) const;
    void paintArea(QPainter& painter, const QRect& area);
    void paintCell(QPainter& painter, int index, const QRect& area);
    void notePainted(const QRegion& region);

    std::array<GridCell, 64> cells;
    // The cells' names in the label font and in the small one, shaped once.
    mutable std::array<std::array<std::shared_ptr<const QTextLayout>, 64>, 2> names;
    QFont font;
    QFont smallFont;
    // The unit as the cells show it, fitted in the small font.
    mutable UnitFit cellUnit;
    // What the cells show now (taken by animate() for its paint) and what
    // the widget's pixels show.
    std::array<Look, 64> looks;
    bool looksTaken = false;
    std::array<Look, 64> painted;
    QSize paintedSize;
    qreal paintedRatio = 0.0;
    int paintedTheme = -1;
    QImage background;
    QImage outlines;
    int pictureTheme = -1;
};
