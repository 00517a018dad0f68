// Rows per second of the capture log: a row with all 64 sensors and every
// optional column, formatted and appended to a file in blocks of one display
// tick (5 rows at 250 frames/s). Target: over 200 000 rows/s.
#include "CaptureLog.h"
#include "CsvFormat.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int rowsPerBlock = argc > 2 ? std::atoi(argv[2]) : 5;

    TriggerSettings settings;
    settings.sampleRate = 250;
    settings.logSensor.fill(true);
    settings.logTimestamp = true;
    settings.logAnalog.fill(true);
    settings.logDigital = true;
    settings.logCounter = true;
    const CsvFormat format(settings);

    QTemporaryDir dir;
    CaptureLog log(dir.filePath(QStringLiteral("bench.csv")));
    log.append(format.headerLine(QStringLiteral("Forced trigger"), 1456837509120ULL) + format.columnLine(), 0);

    KivraTolm::InputFrame frame;
    frame.timestamp = 1456837509120ULL;
    QElapsedTimer timer;
    timer.start();
    for (int n = 0; n < rows; n += rowsPerBlock) {
        std::string block;
        for (int i = 0; i < rowsPerBlock; ++i) {
            for (int s = 0; s < 64; ++s)
                frame.sensors[s / 8][s % 8] = 0.001f * static_cast<float>((n + i + s) % 1200);
            frame.analog = {1.25f, -0.5f, 3.3f, 0.0f};
            frame.timestamp += 4;
            frame.counter = static_cast<std::uint64_t>(n + i);
            format.appendRow(block, frame);
        }
        log.append(std::move(block), rowsPerBlock);
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    std::printf("csv writer: %d rows in %.3f s = %.0f rows/s (target > 200000), %s\n", log.rowsWritten(), seconds,
                log.rowsWritten() / seconds, log.error().isEmpty() ? "no write error" : qPrintable(log.error()));
    return log.rowsPending() == 0 ? 0 : 1;
}
