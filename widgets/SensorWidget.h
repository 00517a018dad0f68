#pragma once

#include "SensorGeometry.h"
#include "UnitFit.h"

#include <QCache>
#include <QImage>
#include <QRegion>
#include <QStaticText>
#include <QString>
#include <QVector>
#include <QWidget>

#include <array>
#include <memory>
#include <tuple>

class QPainter;

// The 8 sensors of one sensor column as vertical bars with their values,
// optionally their calibration points and a trigger level that the user
// drags and whose markers select sensors for the level trigger. The owner
// pushes values in through the slots and calls animate() to repaint.
class SensorWidget : public QWidget {
    Q_OBJECT

public:
    explicit SensorWidget(QWidget* parent = nullptr);

    bool isTriggerSelected(int index) const;
    float currentTriggerLevel() const { return triggerLevel; }

    // Read access to the state the mouse handlers change.
    const SensorBar& bar(int index) const;
    QVector<int> shownBarIndices() const { return shownBars; }
    bool isHoverTextVisible() const { return hoverTextVisible; }
    QString currentHoverText() const { return hoverText; }
    int currentHoverTextY() const { return hoverTextY; }
    // The text line of a bar as drawn: barText() with a unit too wide for
    // the line on its own cut, and elided to the line (UnitFit).
    QString shownText(int index) const;
    bool isTriggerLevelSet() const { return triggerLevelSet; }
    bool isDragging() const { return dragging; }

public slots:
    // Repaints at once what changed since the last paint: the span between a
    // bar's old and new top, a bar whose fill changed, a text line whose
    // text or colour changed; the whole widget when anything else changed.
    void animate();
    void resetTriggerState();
    void updateSensor(int index, double intensity, double value);
    void updateCalibrationPoints(int index, const SensorPoints& points);
    void setSingleMode(bool single, int row);
    void enableSensor(int index, bool enable);
    void setTriggerLevelVisible(bool enable);
    void setTriggerLevelDisabled(bool disable);
    // The trigger level as a number, as if dragged there.
    void setTriggerLevel(float level);
    void enableCalibrationPoints(bool enable);
    void setUnit(const QString& unit);
    // A bar whose sensor has no value shows no bar and "not logged" for its text.
    void setBarNotLogged(int index, bool notLogged);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    // What a paint showed of a bar.
    struct PaintedBar {
        double top = 0.0; // y of the bar's moving edge
        int look = -2;    // its fill: state and over range; -1 for no bar
        QString text;
        QRgb textColour = 0;
    };

    SensorGeometry geometry() const;
    bool triggerUsable() const;
    // The hover text and the trigger's state, which the mouse changes.
    std::tuple<bool, QString, int, bool, float, bool, int> overlayState() const;
    PaintedBar paintedBar(const SensorGeometry& geo, int index, double scale) const;
    using Labels = QCache<QString, QStaticText>;
    static std::shared_ptr<Labels> sharedLabels();
    QStaticText laidOut(const QString& text, const QFont& font) const;
    static QRectF labelBox(const QRect& line, const QStaticText& label);
    // Where the state differs from what `painted` shows; updates `painted`.
    QVector<QRect> changedParts();
    void paintPart(QPainter& painter, const QRect& part, const SensorGeometry& geo, double scale) const;
    void paintBackgroundImage();
    void paintBackground(QPainter& painter, const QRect& part) const;
    void paintFrame(QPainter& painter) const;
    void paintBar(QPainter& painter, const QRect& part, const SensorGeometry& geo, int index, double scale) const;
    QString shownText(const SensorGeometry& geo, int index) const;
    QString hoverValueText(double value, const QString& unit, const QString& pattern);
    void paintTrigger(QPainter& painter, const SensorGeometry& geo, double scale) const;
    void paintHoverText(QPainter& painter, const SensorGeometry& geo) const;
    void mouseMoved(QPoint pos);

    QVector<int> shownBars;
    bool triggerLevelVisible = false;
    bool triggerLevelDisabled = false;
    bool calibrationPointsEnabled = false;
    const SensorLayout layout;
    SensorBars bars;
    bool hoverTextVisible = false;
    QString hoverText;
    int hoverTextY = 0;
    bool triggerLevelSet = false;
    float triggerLevel = 0.0f;
    bool dragging = false;
    // What the window shows: as of the last animate(), except in
    // staleRegion, painted since by the toolkit's own paint events.
    std::array<PaintedBar, 8> painted;
    bool wholeChanged = true;
    QSize paintedSize;
    qreal paintedRatio = 0.0;
    int paintedTheme = -1;
    QRegion staleRegion;
    bool animating = false;
    QVector<QRect> parts; // what animate() repaints
    QImage background;    // with the grid lines
    int backgroundTheme = -1;
    std::shared_ptr<Labels> labels = sharedLabels();
    QFont paintFont; // the label font as the last paint's painter had it
    // The unit as the text lines and the hover box show it.
    mutable UnitFit labelUnit;
    UnitFit hoverUnit;
};
