// Time of one refresh tick of the DAQ window at 1200 x 900 with the grid tab
// shown: with the statistics panel and the grey scale beside the grid, with
// both hidden (the grid alone, as before them), and with the centre's trail
// drawn as well; in alternating blocks of ticks in one run, so that a busy
// machine weighs on all alike. 250 frames/s, a capture logging every column.
// A tick here is onTimer and then the paints it left for the event loop (the
// panel's labels, the trail), which the program runs before the next tick.
//   bench_grid_statistics_tick [ticks per block [blocks]]   default 50, 12
#include "EmulatorControl.h"
#include "MainWindow.h"
#include "StartUp.h"
#include "WindowTicks.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    applySavedTheme();
    KivraTolmEmulator::reset();
    const int ticks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 50;
    const int blocks = argc > 2 ? std::max(1, std::atoi(argv[2])) : 12;

    QTemporaryDir dir;
    MainWindow window("usb", "-", KIVRA_SOURCE_DIR "/examples/demo.tolmcal3");
    window.resize(1200, 900);
    window.show();
    window.findChild<QTimer*>("refreshTimer")->stop();
    window.findChild<QSpinBox*>("spnRate")->setValue(250);
    window.findChild<QLineEdit*>("txtFile")->setText(dir.filePath("bench.csv"));
    for (const char* name : {"btnLogCapSampleTimer", "btnLogAnalog0", "btnLogAnalog1", "btnLogAnalog2", "btnLogAnalog3",
                             "btnLogDigital", "btnLogHardwareCounter"})
        window.findChild<QPushButton*>(name)->click();
    window.findChild<QPushButton*>("btnArmTrigger")->click();
    window.findChild<QPushButton*>("btnForceTrigger")->click();
    window.findChild<QTabWidget*>("tabWidget")->setCurrentIndex(1);

    QWidget* panel = window.findChild<QWidget*>("cmpStatistics");
    QWidget* scale = window.findChild<QWidget*>("cmpGreyScale");
    auto* trail = window.findChild<QCheckBox*>("chkStatCentre");
    const auto setUp = [&](bool shown, bool withTrail) {
        panel->setVisible(shown);
        scale->setVisible(shown);
        trail->setChecked(withTrail);
        measureTicks(window, 5); // the new layout painted once
    };
    setUp(true, false);
    measureTicks(window, 20); // warm-up: fonts, caches, the file

    std::vector<double> alone, beside, withTrail;
    for (int block = 0; block < blocks; ++block) {
        setUp(false, false);
        alone.push_back(measureTicks(window, ticks).medianMs);
        setUp(true, false);
        beside.push_back(measureTicks(window, ticks).medianMs);
        setUp(true, true);
        withTrail.push_back(measureTicks(window, ticks).medianMs);
    }
    std::printf("DAQ window tick, grid tab at 1200 x 900, 250 frames/s, capture logging every column;\n"
                "median of the block medians, %d blocks of %d ticks each, alternating:\n",
                blocks, ticks);
    std::printf("  grid alone (panel and scale hidden)   %.3f ms\n", median(alone));
    std::printf("  statistics panel and grey scale       %.3f ms  (%.1f %% of the grid alone)\n", median(beside),
                100.0 * median(beside) / median(alone));
    std::printf("  ... and the centre's trail drawn      %.3f ms  (%.1f %%)\n", median(withTrail),
                100.0 * median(withTrail) / median(alone));
    std::printf("  target: the panel shown within 5 %% of the grid alone\n");

    window.findChild<QPushButton*>("btnArmTrigger")->click();
    window.onTimer();
    window.close();
    return 0;
}
