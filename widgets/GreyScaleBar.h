#pragma once

#include "InputFrame.h"

#include <QWidget>

// What the grid's grey levels mean: a bar from black (raw reading 0 %) at the
// bottom to white (100 %) at the top, labelled in %, with the number of cells
// at the top of the scale (grey 255: a reading of 100 % or more, which the
// grid cannot tell apart) marked at the top.
class GreyScaleBar : public QWidget {
    Q_OBJECT

public:
    explicit GreyScaleBar(QWidget* parent = nullptr);

    // The raw readings of the frame the grid shows; repaints when the count
    // at the top changes.
    void setReadings(const KivraTolm::InputFrame& raw);
    int cellsAtTop() const { return atTop; }
    // The text of the mark, e.g. "3" (empty when no cell is at the top).
    QString markText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect barRect() const;

    int atTop = 0;
};
