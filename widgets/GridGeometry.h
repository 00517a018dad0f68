#pragma once

#include <QRectF>
#include <QSize>
#include <QString>
#include <QVector>

// Where the 8 x 8 grid puts its cells and what a cell shows.
namespace GridGeometry {

// The cell of (column, row): the square of all cells is centred in the
// widget with 4 pixels of margin on the shorter side, each cell inset by 2.
QRectF cellRect(QSize size, int column, int row);

// The grey of a cell for a raw reading, 0..255.
int greyLevel(double intensity);

// "C4\n37.25 %": the sensor name over the value text.
QString cellText(int column, int row, double value, const QString& unit);
// The sensor name over `line`.
QString cellText(int column, int row, const QString& line);

// Grid lines: vertical from the left edge, horizontal from the bottom edge.
QVector<int> verticalLineXs(int width, int spacing);
QVector<int> horizontalLineYs(int height, int spacing);

} // namespace GridGeometry
