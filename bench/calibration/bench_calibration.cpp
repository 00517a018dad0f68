// Load and save of a dense calibration (64 sensors x 32 points) and the
// conversion of one frame.
//   bench_calibration [folder]     the file goes to folder (default /tmp)
// Prints wall-clock and CPU time of this thread: on a busy machine the wall
// clock also counts the time other processes had the core (and save waits
// for the disk in fsync).

#include "CalibrationData.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

double threadCpuMicroseconds() {
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

struct Timing {
    double wall; // us
    double cpu;  // us
};

CalibrationData denseCalibration() {
    CalibrationData data;
    data.setUnit("kPa");
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 8; ++row) {
            for (int k = 0; k < 32; ++k) {
                const float x = 12.5f * k + 0.25f * float(column + row);
                data.addPoint(column, row, {x, 3.0f * x - 7.125f + float(k * k) * 0.01f});
            }
        }
    }
    return data;
}

// Medians of repeated runs.
template <typename Function> Timing median(int runs, Function function) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        const Clock::time_point start = Clock::now();
        const double cpuStart = threadCpuMicroseconds();
        function();
        cpu.push_back(threadCpuMicroseconds() - cpuStart);
        wall.push_back(microseconds(Clock::now() - start));
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

} // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::string path = folder + "/bench-calibration-" + std::to_string(::getpid()) + ".tolmcal3";
    CalibrationData data = denseCalibration();

    const Timing save = median(50, [&] { data.save(path); });
    CalibrationData loaded;
    const Timing load = median(50, [&] { loaded.load(path); });
    if (loaded != data) {
        std::fprintf(stderr, "loaded calibration differs\n");
        return 1;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    const long size = std::ftell(file);
    std::fclose(file);
    std::remove(path.c_str());

    std::vector<KivraTolm::InputFrame> frames(256);
    for (std::size_t i = 0; i < frames.size(); ++i)
        for (int row = 0; row < 8; ++row)
            for (int column = 0; column < 8; ++column)
                frames[i].sensors[row][column] = float((i * 37 + std::size_t(row * 8 + column) * 11) % 420);
    constexpr int frameCount = 1000000;
    float sum = 0.0f;
    const Clock::time_point start = Clock::now();
    const double cpuStart = threadCpuMicroseconds();
    for (int i = 0; i < frameCount; ++i)
        sum += data.calibrateFrame(frames[std::size_t(i) % frames.size()]).sensors[i % 8][(i / 8) % 8];
    const double frameCpu = (threadCpuMicroseconds() - cpuStart) / frameCount;
    const double frameWall = microseconds(Clock::now() - start) / frameCount;

    std::printf("dense calibration: 64 sensors x 32 points, file %ld bytes in %s\n", size, folder.c_str());
    std::printf("                         wall us    cpu us   (medians of 50)\n");
    std::printf("save (with fsync)      %9.1f %9.1f\n", save.wall, save.cpu);
    std::printf("load                   %9.1f %9.1f\n", load.wall, load.cpu);
    std::printf("load + save            %9.1f %9.1f   target < 5000\n", save.wall + load.wall, save.cpu + load.cpu);
    std::printf("calibrateFrame         %9.3f %9.3f   per frame, target < 2 (checksum %g)\n", frameWall, frameCpu,
                double(sum));
    return 0;
}
