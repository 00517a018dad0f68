// Runs a Capture on the emulated board at 250 frames per second and prints
// whether every frame the board produced was delivered, in order, and how
// much CPU the worker used.
//
//   bench_capture [seconds]   (default 60)

#include "Capture.h"
#include "EmulatorControl.h"

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace KivraTolm;
namespace Emulator = KivraTolmEmulator;
using namespace std::chrono;

namespace {

constexpr double frameRate = 250.0;

double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU time of every thread but this one (the worker, and whatever the device
// library runs itself).
double otherThreadsCpuSeconds() {
    return cpuSeconds(RUSAGE_SELF) - cpuSeconds(RUSAGE_THREAD);
}

template <typename Condition> bool waitFor(Condition condition) {
    const auto deadline = steady_clock::now() + seconds(5);
    while (!condition()) {
        if (steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(1));
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const double runSeconds = argc > 1 ? std::stod(argv[1]) : 60.0;

    Emulator::reset();
    Emulator::setBoards({Emulator::BoardConfig{}});

    // Start straight at 250 frames per second: the worker applies the rate
    // (a restart) before its first read, so its frames all come from one stream.
    Capture capture("usb", "-");
    capture.stop();
    capture.setAcquisition(AcquisitionSettings::fromRate(frameRate));
    capture.start();
    if (!waitFor([] { return Emulator::boardState(0).running && Emulator::boardState(0).rate == 250.0f; })) {
        std::fprintf(stderr, "the board did not start: %s\n", capture.errorText().c_str());
        return 1;
    }

    const double cpuBefore = otherThreadsCpuSeconds();
    const auto started = steady_clock::now();
    std::uint64_t delivered = 0;
    std::uint64_t outOfOrder = 0;
    std::uint32_t expected = 0;
    auto take = [&] {
        for (const InputFrame& frame : capture.takeFrames()) {
            if (frame.number != expected)
                ++outOfOrder;
            expected = frame.number + 1;
            ++delivered;
        }
    };
    // The DAQ program's refresh period.
    while (steady_clock::now() - started < duration<double>(runSeconds)) {
        std::this_thread::sleep_for(milliseconds(20));
        take();
        if (!capture.errorText().empty())
            break;
    }
    const double elapsed = duration_cast<duration<double>>(steady_clock::now() - started).count();
    const double cpu = otherThreadsCpuSeconds() - cpuBefore;
    const std::string error = capture.errorText();

    capture.stop();
    take();
    const std::uint64_t produced = Emulator::boardState(0).framesProduced;

    std::printf("rate                 %.0f frames/s for %.1f s\n", frameRate, elapsed);
    std::printf("frames produced      %llu\n", static_cast<unsigned long long>(produced));
    std::printf("frames delivered     %llu (%s, %llu out of order)\n", static_cast<unsigned long long>(delivered),
                delivered == produced ? "equal" : "NOT equal", static_cast<unsigned long long>(outOfOrder));
    std::printf("worker CPU           %.3f s = %.2f %% of one core\n", cpu, 100.0 * cpu / elapsed);
    if (!error.empty())
        std::printf("error                %s\n", error.c_str());
    return delivered == produced && outOfOrder == 0 && error.empty() ? 0 : 1;
}
