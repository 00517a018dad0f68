#pragma once

#include "MainWindow.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

// Wall time of the DAQ window's refresh tick, driven by the benchmark: each
// tick after a 20 ms pause in which the frames of one display period arrive,
// as in the program.
struct TickFigures {
    double medianMs = 0;
    double p95Ms = 0;
};

inline TickFigures measureTicks(MainWindow& window, int ticks) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(ticks));
    for (int i = 0; i < ticks; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        window.onTimer();
        times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 95 / 100]};
}
