// Time of the statistics of one frame: the shown values from a raw and a
// converted frame, then the figures, over varied frames with a calibration
// on half of the sensors. Prints the median of several runs per frame:
//   bench_statistics [frames [runs]]      default 200000 frames, 9 runs
#include "CalibrationData.h"
#include "FrameStatistics.h"
#include "ShownFrame.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 200000;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 9;

    CalibrationData calibration;
    calibration.setUnit("kg");
    for (int column = 0; column < 8; column += 2) {
        for (int row = 0; row < 8; ++row) {
            calibration.addPoint(column, row, {0.0f, -1.0f});
            calibration.addPoint(column, row, {1.0f, 40.0f});
        }
    }
    const SensorFlags calibrated = sensorsWithPoints(calibration);
    const SensorFlags none = {};

    // A few hundred different frames, used in turn.
    std::mt19937 random(31);
    std::uniform_real_distribution<float> reading(0.0f, 1.0f);
    std::vector<KivraTolm::InputFrame> raw(256);
    std::vector<KivraTolm::InputFrame> converted(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        for (auto& row : raw[i].sensors)
            for (float& value : row)
                value = reading(random);
        converted[i] = calibration.calibrateFrame(raw[i]);
    }

    std::printf("Statistics of one frame (shown values, sum, maximum, active sensors, centre), %d frames, "
                "median of %d runs:\n",
                frames, runs);
    for (const auto& [name, flags] : {std::pair<const char*, const SensorFlags*>{"no calibration", &none},
                                      std::pair<const char*, const SensorFlags*>{"half calibrated", &calibrated}}) {
        std::vector<double> perFrame;
        double checksum = 0.0;
        for (int run = 0; run < runs; ++run) {
            const auto start = std::chrono::steady_clock::now();
            for (int i = 0; i < frames; ++i) {
                const std::size_t at = static_cast<std::size_t>(i) % raw.size();
                const ShownFrame shown = shownFrame(raw[at], converted[at], *flags);
                const FrameStatistics statistics = frameStatistics(shown.values, shown.included, 20.0);
                checksum += statistics.sum + statistics.centreColumn + statistics.activeCount;
            }
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
            perFrame.push_back(took.count() / frames);
        }
        std::sort(perFrame.begin(), perFrame.end());
        std::printf("  %-16s %.3f us per frame (fastest run %.3f us)   [checksum %g]\n", name,
                    perFrame[perFrame.size() / 2], perFrame.front(), checksum);
    }
    std::printf("  target: at most 5 us per frame\n");
    return 0;
}
