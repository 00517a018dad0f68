// kivratolm-capture on a network board (kivratolm-board-emulator on the
// loopback) at 250 and at 8000 frames/s, every column and all 64 sensors
// logged, for a given time each. For each rate it prints the frames the
// board made during the capture, the rows written, the frames lost or
// doubled between rows, and the tool's CPU time as a share of one core
// while it records.
//
//   bench_capture_tool [--seconds S] [--tool PATH]... [--rates R,R,...]
//                      (default 60 s, the tool built beside this benchmark, 250,8000)
//
// Several --tool options compare builds of the tool: each rate runs each of
// them in turn, in the same run.
// The board's counter counts one trigger pulse per frame, so the log's last
// column is the board's own frame number and every row names its frame.
// Exit code 0 when no frame was lost or doubled at any rate.
#include "CaptureLogCheck.h"
#include "ProcessUsage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdio>
#include <optional>
#include <string>

namespace {

struct Sample {
    double wall = 0; // s since the tool started
    double cpu = 0;  // s of user and system time, every thread
};

struct BoardServer {
    QProcess process;
    QString address;

    bool start(const QString& config) {
        process.setProgram(QStringLiteral(BOARD_EMULATOR));
        process.setArguments({"--listen", "127.0.0.1:0", "--config", config});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        static const QRegularExpression line("listening on (127\\.0\\.0\\.1:\\d+)\\n");
        QString output;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000) {
            process.waitForReadyRead(100);
            output += QString::fromUtf8(process.readAllStandardOutput());
            const QRegularExpressionMatch match = line.match(output);
            if (match.hasMatch()) {
                address = match.captured(1);
                return true;
            }
        }
        return false;
    }
    ~BoardServer() {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
    }
};

struct Run {
    int exitCode = -1;
    int rowsReported = 0;
    Sample atTrigger;
    Sample last;
    CaptureLogCheck log;
    std::string problem;
};

Run measure(const QString& tool, const QString& folder, int rate, int seconds) {
    Run run;
    const QString config = folder + QStringLiteral("/board-%1.ini").arg(rate);
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) {
            run.problem = "cannot write " + config.toStdString();
            return run;
        }
        // One trigger pulse per frame: the counter is the frame number.
        file.write(QStringLiteral("[board0]\npulsePeriodMs = %1\n").arg(1000.0 / rate, 0, 'g', 17).toUtf8());
    }
    BoardServer server;
    if (!server.start(config)) {
        run.problem = "the board server did not start";
        return run;
    }
    const QString log = folder + QStringLiteral("/capture-%1.csv").arg(rate);
    QProcess process;
    process.setProgram(tool);
    process.setArguments({"use=net/" + server.address, "--rate", QString::number(rate), "--samples",
                          QString::number(static_cast<qint64>(rate) * seconds), "--log",
                          "timestamp,analog,digital,counter", "--sensors", "all", "--events", "--overwrite", "-o",
                          log});
    process.setProcessChannelMode(QProcess::SeparateChannels);
    QElapsedTimer clock;
    clock.start();
    process.start();
    if (!process.waitForStarted(5000)) {
        run.problem = "the tool did not start";
        return run;
    }
    const qint64 pid = process.processId();
    QByteArray events;
    const auto sample = [&]() -> std::optional<Sample> {
        const std::optional<double> cpu = ProcessUsage::cpuSecondsOf(pid);
        if (!cpu)
            return std::nullopt;
        return Sample{static_cast<double>(clock.elapsed()) / 1000.0, *cpu};
    };
    while (process.state() != QProcess::NotRunning) {
        // Sampled until the tool ends; the last sample before its end counts.
        if (const std::optional<Sample> now = sample())
            run.last = *now;
        process.waitForReadyRead(200);
        events += process.readAllStandardOutput();
        int end = 0;
        while ((end = events.indexOf('\n')) >= 0) {
            const QJsonObject event = QJsonDocument::fromJson(events.left(end)).object();
            events.remove(0, end + 1);
            const QString name = event.value("event").toString();
            if (name == "triggered" && run.atTrigger.wall == 0) {
                if (const std::optional<Sample> now = sample())
                    run.atTrigger = *now;
            } else if (name == "done") {
                run.rowsReported = event.value("rows").toInt();
            } else if (name == "error") {
                run.problem = event.value("message").toString().toStdString();
            }
        }
        if (clock.elapsed() > (seconds + 60) * 1000LL) {
            run.problem = "the tool did not end";
            process.kill();
        }
    }
    process.waitForFinished(5000);
    std::fputs(process.readAllStandardError().constData(), stderr);
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.log = CaptureLogCheck::read(log.toStdString(), rate > 1000 ? 0 : static_cast<std::uint64_t>(1000 / rate));
    QFile::remove(log);
    return run;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList tools;
    int seconds = 60;
    QList<int> rates = {250, 8000};
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--seconds")
            seconds = arguments[i + 1].toInt();
        else if (arguments[i] == "--tool")
            tools << arguments[i + 1];
        else if (arguments[i] == "--rates") {
            rates.clear();
            for (const QString& rate : arguments[i + 1].split(','))
                rates << rate.toInt();
        }
    }
    if (seconds <= 0 || rates.isEmpty()) {
        std::fprintf(stderr, "usage: bench_capture_tool [--seconds S] [--tool PATH]... [--rates R,R,...]\n");
        return 2;
    }
    if (tools.isEmpty())
        tools << QStringLiteral(CAPTURE_TOOL);
    QTemporaryDir folder;
    std::printf("kivratolm-capture on a network board, every column and 64 sensors, %d s per rate\n", seconds);
    for (int t = 0; t < tools.size(); ++t)
        std::printf("tool %d: %s\n", t + 1, qPrintable(tools[t]));
    std::printf("%4s %8s %10s %10s %6s %8s %5s %10s %10s\n", "tool", "frames/s", "board", "rows", "lost", "doubled",
                "exit", "CPU rec.", "CPU all");
    bool clean = true;
    for (int rate : rates) {
        for (int t = 0; t < tools.size(); ++t) {
            const Run run = measure(tools[t], folder.path(), rate, seconds);
            const std::uint64_t boardFrames = run.log.rows ? run.log.lastFrame - run.log.firstFrame + 1 : 0;
            const double recordingWall = run.last.wall - run.atTrigger.wall;
            const double recordingShare = recordingWall > 0 ? (run.last.cpu - run.atTrigger.cpu) / recordingWall : 0;
            const double wholeShare = run.last.wall > 0 ? run.last.cpu / run.last.wall : 0;
            std::printf("%4d %8d %10llu %10llu %6llu %8llu %5d %9.2f%% %9.2f%%\n", t + 1, rate,
                        static_cast<unsigned long long>(boardFrames), static_cast<unsigned long long>(run.log.rows),
                        static_cast<unsigned long long>(run.log.lostFrames),
                        static_cast<unsigned long long>(run.log.doubledRows), run.exitCode, 100 * recordingShare,
                        100 * wholeShare);
            const bool ok = run.problem.empty() && run.exitCode == 0 && run.log.clean() &&
                            run.log.rows == static_cast<std::uint64_t>(rate) * static_cast<std::uint64_t>(seconds) &&
                            run.rowsReported == static_cast<int>(run.log.rows);
            if (!ok) {
                std::printf("     problem: %s%s (rows reported %d, malformed %llu, time steps %llu)\n",
                            run.problem.c_str(), run.log.error.c_str(), run.rowsReported,
                            static_cast<unsigned long long>(run.log.malformedRows),
                            static_cast<unsigned long long>(run.log.timestampSteps));
                clean = false;
            }
            std::fflush(stdout);
        }
    }
    std::printf("board: frames the board made from the first logged row to the last; lost, doubled: frame\n"
                "numbers skipped or repeated between rows; CPU rec.: the tool's user + system time from the\n"
                "trigger to its end as a share of one core; CPU all: the same from its start\n");
    return clean ? 0 : 1;
}
