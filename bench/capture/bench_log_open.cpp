// Opening a large capture log for review: 1,000,000 rows with all 64 sensors
// and every optional column (about 0.75 GB of text, written once with the
// log's own formatter), read from a warm file cache. Prints the time, the
// rate and the peak memory the reading added, against the targets: at most
// 5 s, and at most twice the values as single-precision floats (time stamps
// and counter as 64-bit numbers).
//   bench_log_open [rows [log]]     a log named here is written when missing and kept
#include "CaptureLog.h"
#include "CaptureLogReader.h"
#include "CsvFormat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

namespace {

// Resident set and its peak, in bytes.
qint64 statusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stoll(line.substr(std::strlen(field))) * 1024;
    }
    return -1;
}

// User and system CPU time of the process so far, every thread, in seconds.
double cpuSeconds() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Lets the peak start again from the present resident set.
bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

void writeLog(const QString& path, int rows) {
    TriggerSettings settings;
    settings.sampleRate = 250;
    settings.preTriggerSamples = 100;
    settings.logSensor.fill(true);
    settings.unit.fill(QStringLiteral("kPa"));
    settings.logTimestamp = true;
    settings.logAnalog.fill(true);
    settings.logDigital = true;
    settings.logCounter = true;
    const CsvFormat format(settings);
    CaptureLog log(path);
    log.append(format.headerLine(QStringLiteral("Forced trigger"), 1456837509120ULL) + format.columnLine(), 0);
    KivraTolm::InputFrame frame;
    frame.timestamp = 1456837509120ULL;
    constexpr int rowsPerBlock = 1000;
    for (int n = 0; n < rows; n += rowsPerBlock) {
        std::string block;
        const int count = std::min(rowsPerBlock, rows - n);
        for (int i = 0; i < count; ++i) {
            for (int s = 0; s < 64; ++s)
                frame.sensors[s / 8][s % 8] = 0.37f * static_cast<float>((n + i + 7 * s) % 4000) - 200.0f;
            frame.analog = {1.25f, -0.5f, 3.3f, 0.001f * static_cast<float>((n + i) % 5000)};
            frame.timestamp += 4;
            frame.digital = static_cast<std::uint16_t>((n + i) % 16);
            frame.counter = static_cast<std::uint64_t>(n + i);
            format.appendRow(block, frame);
        }
        log.append(std::move(block), count);
    }
}

// Reads the file once so that the measured run finds it in the page cache.
qint64 warmCache(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    std::vector<char> buffer(8 << 20);
    qint64 total = 0;
    for (qint64 got; (got = file.read(buffer.data(), static_cast<qint64>(buffer.size()))) > 0;)
        total += got;
    return total;
}

// Nanoseconds per field to read each of `fields` with `parse`.
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    QTemporaryDir dir;
    QString path = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(QStringLiteral("large.csv"));
    if (!QFileInfo::exists(path)) {
        QElapsedTimer writing;
        writing.start();
        writeLog(path, rows);
        std::printf("log of %d rows written in %.1f s\n", rows, static_cast<double>(writing.elapsed()) / 1000.0);
    }
    const double megabytes = static_cast<double>(warmCache(path)) / 1e6;

    const qint64 residentBefore = statusBytes("VmRSS:");
    const bool peakReset = resetPeak();
    qint64 progressCalls = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer timer;
    timer.start();
    std::optional<KivraTolm::CaptureLogContent> log;
    try {
        log = KivraTolm::readCaptureLog(path, [&](qint64, qint64) {
            ++progressCalls;
            return true;
        });
    } catch (const KivraTolm::CaptureLogError& error) {
        std::printf("error: %s\n", error.what());
        return 1;
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    const qint64 peak = statusBytes("VmHWM:") - residentBefore;
    if (!log)
        return 1;

    const double logRows = static_cast<double>(log->rowCount);
    const double floatColumns = static_cast<double>(log->values.size());
    const double wideColumns = (log->timestamps.empty() ? 0 : 1) + (log->counters.empty() ? 0 : 1);
    const double bound = 2.0 * (logRows * floatColumns * 4 + logRows * 4) + logRows * wideColumns * 8;
    std::printf("log open: %zu rows, %zu columns, %.0f MB in %.3f s = %.0f MB/s (target <= 5 s), CPU %.2f s (user + "
                "system, every thread), %lld progress calls\n",
                log->rowCount, log->columns.size(), megabytes, seconds, megabytes / seconds, cpu,
                static_cast<long long>(progressCalls));
    std::printf("peak memory added: %.0f MB%s, bound %.0f MB (2 x %.0f float columns and the port as float, "
                "time stamps and counter as 64-bit), values held %.0f MB\n",
                static_cast<double>(peak) / 1e6, peakReset ? "" : " (peak not reset: includes writing)", bound / 1e6,
                floatColumns, (logRows * floatColumns * 4 + logRows * (2 + 8 * wideColumns)) / 1e6);
    return seconds <= 5.0 && static_cast<double>(peak) <= bound ? 0 : 2;
}
