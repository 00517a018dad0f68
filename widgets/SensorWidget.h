#pragma once

#include "LabelTextCache.h"
#include "OverlayCache.h"
#include "PictureCache.h"
#include "SensorGeometry.h"
#include "UnitFit.h"

#include <QString>
#include <QVector>
#include <QWidget>

#include <memory>

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

    // Background, grid and most of the frame are cached per size and theme,
    // laid-out label lines per text; the picture is the same either way.
    void setPaintCacheEnabled(bool enabled);

public slots:
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
    SensorGeometry geometry() const;
    bool triggerUsable() const;
    void paintBackground(QPainter& painter) const;
    void paintFrame(QPainter& painter) const;
    bool frameWithBackground() const;
    bool frameStripComposable() const;
    void paintBar(QPainter& painter, const SensorGeometry& geo, int index, double scale) const;
    void drawLabel(QPainter& painter, const QRectF& rect, const QString& text) const;
    QString shownText(const SensorGeometry& geo, int index) const;
    QString hoverValueText(double value, const QString& unit, const QString& pattern);
    void paintTrigger(QPainter& painter, const SensorGeometry& geo, double scale) const;
    void paintHoverText(QPainter& painter, const SensorGeometry& geo) const;

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
    PictureCache backgroundCache;
    PictureCache framedBackgroundCache;
    OverlayCache frameStripCache;
    std::shared_ptr<LabelTextCache> labelText = LabelTextCache::shared();
    bool labelTextCached = true;
    // The unit as the text lines and the hover box show it.
    mutable UnitFit labelUnit;
    UnitFit hoverUnit;
};
