// Paint cost of the sensor views at the sizes they get in a 1200 x 900 DAQ
// window, taken from that window on the emulated board: the eight bar graphs
// side by side, and the grid. Every frame pushes new values and repaints, as
// the 20 ms display tick does. Prints the median and 90th percentile per
// frame at pixel ratios 1 and 2 side by side (each measured in a child
// process, in alternating order over the rounds):
//   bench_sensor_views [rounds]      default 2
// The figures are the thread's CPU time, so that other processes sharing the
// machine do not inflate them; wall time is printed beside for reference.

#include "EmulatorControl.h"
#include "Grid8x8Widget.h"
#include "MainWindow.h"
#include "PixelRatioRuns.h"
#include "SensorWidget.h"
#include "StartUp.h"
#include "Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QTabWidget>
#include <QTimer>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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

// One child: every view, theme and cache setting at `ratio`.
int measureAtRatio(int ratio, int& argc, char** argv) {
    PixelRatioRuns::prepareChild(ratio);
    QApplication app(argc, argv);
    applySavedTheme();
    const ViewSizes sizes = sizesInDaqWindow();
    QSize barsSize(0, 0);
    for (const QSize& size : sizes.bars)
        barsSize = QSize(barsSize.width() + size.width(), std::max(barsSize.height(), size.height()));
    PixelRatioRuns::printResult(QStringLiteral("sizes"),
                                {double(sizes.bars.size()), double(barsSize.width()), double(barsSize.height()),
                                 double(sizes.grid.width()), double(sizes.grid.height())});

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
        if (std::lround(grid.devicePixelRatioF()) != ratio || std::lround(window.devicePixelRatioF()) != ratio) {
            std::fprintf(stderr, "the views have a pixel ratio of %g, not %d\n", grid.devicePixelRatioF(), ratio);
            return 1;
        }

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

        const Figures barFigures = measure(barFrame);
        PixelRatioRuns::printResult(QStringLiteral("bars/%1").arg(themeName),
                                    {barFigures.median, barFigures.p90, barFigures.wallMedian});
        const Figures gridFigures = measure(gridFrame);
        PixelRatioRuns::printResult(QStringLiteral("grid/%1").arg(themeName),
                                    {gridFigures.median, gridFigures.p90, gridFigures.wallMedian});
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const int ratio = PixelRatioRuns::childRatio(argc, argv))
        return measureAtRatio(ratio, argc, argv);

    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2;
    const PixelRatioRuns::Results results = PixelRatioRuns::run(QCoreApplication::applicationFilePath(), {}, rounds);

    auto value = [&](int ratio, const QString& key, int index) {
        return results.median(ratio, key, index);
    };
    std::printf("Sensor views at their sizes in the 1200 x 900 DAQ window: %g bar graphs %gx%g, grid %gx%g (logical\n"
                "pixels); CPU ms per frame, medians over %d rounds, ratios 1 and 2 alternating\n",
                value(1, "sizes", 0), value(1, "sizes", 1), value(1, "sizes", 2), value(1, "sizes", 3),
                value(1, "sizes", 4), rounds);
    std::printf("  %-28s %-34s %-34s %s\n", "", "ratio 1", "ratio 2", "ratio 2 / 1");
    for (const char* view : {"bars", "grid"}) {
        for (const char* theme : {"system", "dark"}) {
            const QString key = QStringLiteral("%1/%2").arg(view, theme);
            auto figures = [&](int ratio) {
                return QString::asprintf("median %.3f, p90 %.3f (wall %.3f)", value(ratio, key, 0),
                                         value(ratio, key, 1), value(ratio, key, 2));
            };
            const QString name =
                QStringLiteral("%1, %2:").arg(view == QLatin1String("bars") ? "bar graphs" : "grid", theme);
            std::printf("  %-28s %-34s %-34s %.2f\n", qPrintable(name), qPrintable(figures(1)), qPrintable(figures(2)),
                        value(2, key, 0) / value(1, key, 0));
        }
    }
    return 0;
}
