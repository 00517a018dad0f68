// Renders the sensor views and the dialogs in every theme into PNG
// files, so that a reviewer can look at them:
//   widget_screenshots [folder [ratio]]  (default: screenshots/ in the build
//                                         folder, pixel ratio 1)
// or build the target widget_screenshots_png. Runs on the offscreen platform
// unless QT_QPA_PLATFORM says otherwise, with the programs' high-DPI set-up:
// at ratio 2 the pictures are twice the size, as on a 200 % desktop.

#include "AboutDialog.h"
#include "Grid8x8Widget.h"
#include "SelDialog.h"
#include "SensorWidget.h"
#include "StartUp.h"
#include "Theme.h"
#include "ThemeDialog.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QTextStream>

#include <cmath>

namespace {

// Eight columns as the DAQ program shows them: calibrated sensors with
// points, one over range, one disabled, a trigger with selected markers.
void fillColumn(SensorWidget& widget, int column) {
    widget.setSingleMode(false, 0);
    widget.setUnit(QStringLiteral("kg"));
    widget.enableCalibrationPoints(true);
    widget.setTriggerLevelVisible(true);
    for (int row = 0; row < 8; ++row) {
        const double intensity = 0.5 + 0.45 * std::sin(column * 0.7 + row * 0.9);
        const bool calibrated = (column + row) % 3 != 0;
        if (calibrated)
            widget.updateCalibrationPoints(row, {{0.2, 2.0}, {0.5, 5.5}, {0.9, 10.0}});
        widget.updateSensor(row, intensity, calibrated ? intensity * 11.0 : intensity);
    }
    if (column == 2)
        widget.updateSensor(4, 1.3, 14.0);
    if (column == 5)
        widget.enableSensor(6, false);
}

void click(QWidget& widget, QPoint pos) {
    QMouseEvent press(QEvent::MouseButtonPress, pos, widget.mapToGlobal(pos), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, widget.mapToGlobal(pos), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &release);
}

void move(QWidget& widget, QPoint pos) {
    QMouseEvent event(QEvent::MouseMove, pos, widget.mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

bool save(const QPixmap& pixmap, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (!pixmap.save(path))
        return false;
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc > 2)
        qputenv("QT_SCALE_FACTOR", argv[2]);
    enableHighDpiScaling();
    QApplication app(argc, argv);
    app.setOrganizationName(QStringLiteral("Orvane GmbH"));
    app.setApplicationName(QStringLiteral("widget_screenshots"));
    QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(KIVRA_SCREENSHOT_DIR));
    if (!folder.mkpath(QStringLiteral(".")))
        return 1;

    bool ok = true;
    for (const QString& name : {QStringLiteral("system"), QStringLiteral("dark"), QStringLiteral("light")}) {
        applyTheme(Theme::fromName(name));

        QWidget bars;
        auto* layout = new QHBoxLayout(&bars);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        SensorWidget* columns[8];
        for (int column = 0; column < 8; ++column) {
            columns[column] = new SensorWidget(&bars);
            fillColumn(*columns[column], column);
            layout->addWidget(columns[column]);
        }
        bars.resize(1180, 700);
        bars.show();
        // Select two markers on the line at half the scale, hover a point.
        const double scale = (1.2 / 0.9) * 10.0;
        const SensorGeometry geo(columns[0]->size(), 8);
        const int markerY = int(geo.triggerY(0.5 * scale, scale)) - 4;
        click(*columns[1], QPoint(int(geo.fullBarRect(0).center().x()), markerY));
        click(*columns[1], QPoint(int(geo.fullBarRect(4).center().x()), markerY));
        click(*columns[7], QPoint(int(geo.fullBarRect(3).center().x()), markerY));
        move(*columns[3], QPoint(int(geo.fullBarRect(1).center().x()), int(geo.valueY(5.5, scale))));
        columns[7]->setTriggerLevelDisabled(true);
        ok = save(bars.grab(), folder, QStringLiteral("bargraphs-%1.png").arg(name)) && ok;

        SensorWidget single;
        single.resize(300, 500);
        fillColumn(single, 4);
        single.setSingleMode(true, 4);
        ok = save(single.grab(), folder, QStringLiteral("bargraph-single-%1.png").arg(name)) && ok;

        Grid8x8Widget grid;
        grid.resize(408, 408);
        grid.setUnit(QStringLiteral("kg"));
        for (int i = 0; i < 64; ++i) {
            const int column = i % 8;
            const int row = i / 8;
            grid.updateSensor(column, row, (column + row) / 14.0 * 1.2 - 0.1, (column + row) * 1.75);
            grid.setCalibration(column, row, column >= 4);
        }
        grid.updateSensor(7, 7, 1.0, 12345.67);
        ok = save(grid.grab(), folder, QStringLiteral("grid-%1.png").arg(name)) && ok;

        ThemeDialog dialog;
        dialog.show();
        ok = save(dialog.grab(), folder, QStringLiteral("themedialog-%1.png").arg(name)) && ok;

        SelDialog selection;
        selection.show();
        ok = save(selection.grab(), folder, QStringLiteral("seldialog-%1.png").arg(name)) && ok;

        AboutDialog about(nullptr, QStringLiteral("Kivra Tolm DAQ lite"));
        about.show();
        ok = save(about.grab(), folder, QStringLiteral("aboutdialog-%1.png").arg(name)) && ok;
    }
    return ok ? 0 : 1;
}
