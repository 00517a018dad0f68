// Runs a Capture on one network board (kivratolm-board-emulator on the
// loopback) at rising frame rates up to the highest the board accepts, and
// on the in-process USB board for comparison. For each rate it prints the
// frames per second delivered end to end, the frames the board produced that
// never arrived, and the latency from a frame's arrival on the board to its
// showing in latestFrame() (median, p99, max).
//
//   bench_network [seconds per rate]   (default 5)
//
// A frame n arrives on the board at start + (n + 1) / rate (the board's
// clock); the start is the timestamp of frame 0, whole milliseconds of the
// system clock taken right after the board started, so latencies read up to
// 1 ms high.

#include "Capture.h"

#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace KivraTolm;
using namespace std::chrono;

namespace {

struct Result {
    std::uint64_t frames = 0;
    double seconds = 0;
    double missing = 0;
    bool outOfOrder = false;
    std::string error;
    std::vector<double> latencies; // ms
};

double systemMilliseconds() {
    return duration<double, std::milli>(system_clock::now().time_since_epoch()).count();
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

Result measure(const std::string& bus, const std::string& address, double rate, double runSeconds) {
    Result result;
    Capture capture(bus, address);
    capture.setAcquisition(AcquisitionSettings::fromRate(rate));
    std::this_thread::sleep_for(milliseconds(300));
    // A fresh start at the rate: frame numbers from 0, timestamps from its start.
    capture.start();

    double start = -1;
    std::uint32_t expectedNumber = 0;
    std::uint32_t shown = UINT32_MAX;
    const auto deadline = steady_clock::now() + duration<double>(runSeconds);
    auto nextTake = steady_clock::now();
    while (steady_clock::now() < deadline && capture.errorText().empty()) {
        if (steady_clock::now() >= nextTake) {
            for (const InputFrame& frame : capture.takeFrames()) {
                if (frame.number == 0)
                    start = static_cast<double>(frame.timestamp);
                result.outOfOrder = result.outOfOrder || frame.number != expectedNumber;
                expectedNumber = frame.number + 1;
                ++result.frames;
            }
            nextTake += milliseconds(20);
        }
        const InputFrame latest = capture.latestFrame();
        if (start >= 0 && latest.number != shown && capture.frameCount() > 0) {
            shown = latest.number;
            const double arrived = start + (latest.number + 1) * 1000.0 / rate;
            result.latencies.push_back(systemMilliseconds() - arrived);
        }
        std::this_thread::sleep_for(milliseconds(1));
    }
    for (const InputFrame& frame : capture.takeFrames()) {
        result.outOfOrder = result.outOfOrder || frame.number != expectedNumber;
        expectedNumber = frame.number + 1;
        ++result.frames;
    }
    const double end = systemMilliseconds();
    result.error = capture.errorText();
    capture.stop();
    if (start >= 0) {
        result.seconds = (end - start) / 1000.0;
        result.missing = std::floor(result.seconds * rate) - static_cast<double>(result.frames);
    }
    return result;
}

void print(const char* board, double rate, const Result& result) {
    std::printf("%-8s %9.0f %11.1f %9.0f %8.1f %8.1f %8.1f  %s%s\n", board, rate,
                result.seconds > 0 ? static_cast<double>(result.frames) / result.seconds : 0.0, result.missing,
                percentile(result.latencies, 0.5), percentile(result.latencies, 0.99),
                percentile(result.latencies, 1.0), result.outOfOrder ? "frames out of order; " : "",
                result.error.empty() ? "ok" : result.error.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const double runSeconds = argc > 1 ? std::stod(argv[1]) : 5.0;

    QProcess server;
    server.setProgram(BOARD_EMULATOR);
    server.setArguments({"--listen", "127.0.0.1:0"});
    server.start();
    QString output;
    static const QRegularExpression line("listening on (127\\.0\\.0\\.1:\\d+)\\n");
    QRegularExpressionMatch match;
    while (!(match = line.match(output)).hasMatch() && server.waitForReadyRead(5000))
        output += QString::fromUtf8(server.readAllStandardOutput());
    if (!match.hasMatch()) {
        std::fprintf(stderr, "the board emulator did not start: %s\n", qPrintable(output));
        return 1;
    }
    const std::string address = match.captured(1).toStdString();
    std::printf("network board at %s, %.0f s per rate; the missing frames include those still on the board\n",
                address.c_str(), runSeconds);
    std::printf("%-8s %9s %11s %9s %8s %8s %8s  %s\n", "board", "rate", "delivered/s", "missing", "median", "p99",
                "max", "result (latency in ms)");

    for (double rate : {250.0, 1000.0, 2500.0, 5000.0, 8000.0, 100000.0})
        print("net", rate, measure("net", address, rate, runSeconds));
    for (double rate : {250.0, 8000.0})
        print("usb", rate, measure("usb", "-", rate, runSeconds));

    server.terminate();
    server.waitForFinished(5000);
    return 0;
}
