// Paint cost of the sensor views at the sizes they get in a 1200 x 900 DAQ
// window, taken from that window on the emulated board: the eight bar graphs
// side by side, and the grid. Every frame pushes new values and repaints in
// full, as the 20 ms
// display tick does. Prints the median and 90th percentile per frame, with
// the caches kept (background pictures with grid, frame and cell outlines,
// laid-out label lines) and with every one of them redone every frame. Run
// with QT_QPA_PLATFORM=offscreen.
// The figures are the thread's CPU time, so that other processes sharing the
// machine do not inflate them; wall time is printed beside for reference.

#include "EmulatorControl.h"
#include "Grid8x8Widget.h"
#include "MainWindow.h"
#include "SensorWidget.h"
#include "StartUp.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QTextStream>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

const int frames = 400;

struct Figures {
    double median = 0.0;
    double p90 = 0.0;
    double wallMedian = 0.0;
};

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

Figures measure(const std::function<void(int)>& frame) {
    for (int i = 0; i < 20; ++i)
        frame(i);
    std::vector<double> cpu;
    std::vector<double> wall;
    QElapsedTimer timer;
    for (int i = 0; i < frames; ++i) {
        timer.start();
        const double start = threadCpuMs();
        frame(i);
        cpu.push_back(threadCpuMs() - start);
        wall.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return {cpu[cpu.size() / 2], cpu[cpu.size() * 9 / 10], wall[wall.size() / 2]};
}

double reading(int frame, int sensor) {
    return 0.5 + 0.45 * std::sin(frame * 0.05 + sensor * 0.37);
}

struct ViewSizes {
    std::vector<QSize> bars;
    QSize grid;
};

// The sizes the views get in the DAQ window at 1200 x 900, each tab shown.
ViewSizes sizesInDaqWindow() {
    KivraTolmEmulator::reset();
    MainWindow window(QStringLiteral("usb"), QStringLiteral("-"), QString());
    window.findChild<QTimer*>(QStringLiteral("refreshTimer"))->stop();
    window.resize(1200, 900);
    window.show();
    QCoreApplication::processEvents();
    ViewSizes sizes;
    for (const SensorWidget* widget : window.findChildren<SensorWidget*>())
        sizes.bars.push_back(widget->size());
    window.findChild<QTabWidget*>(QStringLiteral("tabWidget"))->setCurrentIndex(1);
    QCoreApplication::processEvents();
    sizes.grid = window.findChild<Grid8x8Widget*>()->size();
    return sizes;
}

QString sizeText(const QSize& size) {
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

void print(const QString& what, const Figures& f) {
    QTextStream(stdout) << QStringLiteral("%1: median %2 ms, p90 %3 ms CPU per frame (wall median %4 ms)\n")
                               .arg(what, -40)
                               .arg(f.median, 0, 'f', 3)
                               .arg(f.p90, 0, 'f', 3)
                               .arg(f.wallMedian, 0, 'f', 3);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    applySavedTheme();
    const ViewSizes sizes = sizesInDaqWindow();
    QSize barsSize(0, 0);
    for (const QSize& size : sizes.bars)
        barsSize = QSize(barsSize.width() + size.width(), std::max(barsSize.height(), size.height()));
    const QString barsName = QStringLiteral("%1 bar graphs %2").arg(sizes.bars.size()).arg(sizeText(barsSize));
    const QString gridName = QStringLiteral("grid %1").arg(sizeText(sizes.grid));

    for (const QString& themeName : {QStringLiteral("system"), QStringLiteral("dark")}) {
        applyTheme(Theme::fromName(themeName));

        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        std::vector<SensorWidget*> bars;
        for (const QSize& size : sizes.bars) {
            auto* widget = new SensorWidget(&window);
            widget->setFixedSize(size);
            widget->setSingleMode(false, 0);
            widget->setUnit(QStringLiteral("kg"));
            widget->enableCalibrationPoints(true);
            widget->setTriggerLevelVisible(true);
            for (int row = 0; row < 8; ++row)
                widget->updateCalibrationPoints(row, {{0.2, 2.0}, {0.5, 5.5}, {0.9, 10.0}});
            layout->addWidget(widget);
            bars.push_back(widget);
        }
        window.show();
        QCoreApplication::processEvents();

        Grid8x8Widget grid;
        grid.resize(sizes.grid);
        grid.setUnit(QStringLiteral("kg"));
        grid.show();
        QCoreApplication::processEvents();

        auto barFrame = [&](int frame) {
            for (size_t column = 0; column < bars.size(); ++column) {
                for (int row = 0; row < 8; ++row) {
                    const double r = reading(frame, int(column) * 8 + row);
                    bars[column]->updateSensor(row, r, r * 11.1);
                }
                bars[column]->animate();
            }
        };
        auto gridFrame = [&](int frame) {
            for (int i = 0; i < 64; ++i) {
                const double r = reading(frame, i);
                grid.updateSensor(i % 8, i / 8, r, r * 11.1);
                grid.setCalibration(i % 8, i / 8, i % 3 != 0);
            }
            grid.animate();
        };

        for (bool cached : {true, false}) {
            for (SensorWidget* widget : bars)
                widget->setPaintCacheEnabled(cached);
            grid.setPaintCacheEnabled(cached);
            // Without the caches the pictures are painted anew every frame,
            // which costs more than painting without pictures at all, and
            // every label is laid out anew.
            const QString mode = cached ? QStringLiteral("cached") : QStringLiteral("repainted");
            print(QStringLiteral("%1, %2, %3").arg(barsName, themeName, mode), measure(barFrame));
            print(QStringLiteral("%1, %2, %3").arg(gridName, themeName, mode), measure(gridFrame));
        }
    }
    return 0;
}
