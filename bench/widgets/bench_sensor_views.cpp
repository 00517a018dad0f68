// Paint cost of the sensor views at the sizes they get in a 1200 x 900 DAQ
// window: eight bar graphs side by side filling 1180 x 700, and the 408 x 408
// grid. Every frame pushes new values and repaints in full, as the 20 ms
// display tick does. Prints the median and 90th percentile per frame, with
// the caches kept (background pictures with grid, frame and cell outlines,
// laid-out label lines) and with every one of them redone every frame. Run
// with QT_QPA_PLATFORM=offscreen.
// The figures are the thread's CPU time, so that other processes sharing the
// machine do not inflate them; wall time is printed beside for reference.

#include "Grid8x8Widget.h"
#include "SensorWidget.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QTextStream>

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
    for (const QString& themeName : {QStringLiteral("system"), QStringLiteral("dark")}) {
        applyTheme(Theme::fromName(themeName));

        QWidget window;
        auto* layout = new QHBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        std::vector<SensorWidget*> bars;
        for (int column = 0; column < 8; ++column) {
            auto* widget = new SensorWidget(&window);
            widget->setSingleMode(false, 0);
            widget->setUnit(QStringLiteral("kg"));
            widget->enableCalibrationPoints(true);
            widget->setTriggerLevelVisible(true);
            for (int row = 0; row < 8; ++row)
                widget->updateCalibrationPoints(row, {{0.2, 2.0}, {0.5, 5.5}, {0.9, 10.0}});
            layout->addWidget(widget);
            bars.push_back(widget);
        }
        window.resize(1180, 700);
        window.show();
        QCoreApplication::processEvents();

        Grid8x8Widget grid;
        grid.resize(408, 408);
        grid.setUnit(QStringLiteral("kg"));
        grid.show();
        QCoreApplication::processEvents();

        auto barFrame = [&](int frame) {
            for (int column = 0; column < 8; ++column) {
                for (int row = 0; row < 8; ++row) {
                    const double r = reading(frame, column * 8 + row);
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
            print(QStringLiteral("8 bar graphs 1180x700, %1, %2").arg(themeName, mode), measure(barFrame));
            print(QStringLiteral("grid 408x408, %1, %2").arg(themeName, mode), measure(gridFrame));
        }
    }
    return 0;
}
