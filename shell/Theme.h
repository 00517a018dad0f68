#pragma once

#include <QColor>
#include <QString>
#include <QVector>

// The colours, line widths and font of one look of the programs. The sensor
// views paint with the current one, so that the graphs follow the theme.
struct Theme {
    QString name;
    bool fusion = false;
    QColor window;
    QColor base;
    QColor text;
    QColor disabled;
    QColor disabledText;
    QColor highlight;
    QColor highlightedText;
    QColor graphTop;
    QColor graphBottom;
    QColor gridColor;
    double gridMajorWidth = 0.0;
    double gridMinorWidth = 0.0;
    int gridSpacing = 0;
    QColor barColor;
    QColor barDimColor;
    QColor barHoverColor;
    QColor barBorder;
    QColor barBorderDim;
    double barBorderWidth = 0.0;
    QString fontFamily;
    int fontSize = 0;
    QColor pointColor;
    double pointWidth = 0.0;
    QColor triggerLineColor;
    QColor triggerMarkerColor;
    // Trend traces in this order, distinct from each other and the background.
    QVector<QColor> traceColors;

    static Theme dark();
    static Theme light();
    static Theme system();
    // "light" and "dark" give those themes, every other name the system one.
    static Theme fromName(const QString& name);
};

// The process-wide theme; it changes only through applyTheme().
const Theme& currentTheme();

// Counts the calls of applyTheme(), so that views can tell when a picture
// they cached from the previous theme is stale.
int currentThemeSerial();

// Makes `theme` current and gives the application its palette, style and
// tool-tip style sheet.
void applyTheme(const Theme& theme);

// Remembers the platform's palette and style for the system theme. The first
// applyTheme() calls it; start-up may call it earlier. Later calls do nothing.
void rememberPlatformLook();

// The application style sheet of a Fusion theme.
QString toolTipStyleSheet(const Theme& theme);
