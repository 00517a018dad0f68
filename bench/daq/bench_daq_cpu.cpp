// CPU share of the real DAQ program on a virtual X server at 100 % and 200 %
// desktop scaling (Xft.dpi 96 and 192), side by side: the program runs on the
// emulated board at its default rate with the example calibration, its
// window shown, and the user and system time the kernel counts for it over
// the measured seconds are divided by those seconds.
//
//   bench_daq_cpu [seconds [rounds [program]]] [--compare PROGRAM]...
//                 [--compare-by-factor PROGRAM]...
//       default 30 s per ratio and round, 1 round, the DAQ program of this
//       build; rounds alternate the order of the ratios and of the programs.
//       --compare measures another build in the same run (an older revision,
//       say) and prints its figures beside this one's; --compare-by-factor
//       does so for a build that does not follow the desktop's scaling,
//       scaling it with QT_SCALE_FACTOR instead.
//   KIVRA_BENCH_SCALE_BY_FACTOR=1 scales the first program with
//       QT_SCALE_FACTOR too.
//
// The machine's speed drifts from hour to hour by more than a target's
// margin: compare builds within one run, not with figures of another day.
//
// Needs Xvfb, xrdb and xwininfo (scripts/setup.sh installs them).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

const int warmUpMs = 3000;

// User plus system time of a process so far, in seconds; negative when it
// is gone.
double cpuSeconds(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray text = file.readAll();
    // The command name in parentheses may hold blanks: count from its end.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    // Fields 14 and 15 of the whole line (utime, stime) are 12 and 13 here.
    if (fields.size() < 13)
        return -1.0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

bool runTool(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
             const QByteArray& input, QByteArray* output = nullptr) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted())
        return false;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return false;
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// The device size of the program's window, once it shows; empty on time-out.
QString windowSize(const QProcessEnvironment& environment, const QProcess& program) {
    QElapsedTimer clock;
    clock.start();
    const QRegularExpression line(QStringLiteral("\"Kivra Tolm DAQ lite[^\"]*\":.*\\s(\\d+x\\d+)\\+"));
    while (clock.elapsed() < 30000 && program.state() == QProcess::Running) {
        QByteArray tree;
        if (runTool(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")}, environment, {},
                    &tree)) {
            const QRegularExpressionMatch match = line.match(QString::fromLocal8Bit(tree));
            if (match.hasMatch())
                return match.captured(1);
        }
        QThread::msleep(200);
    }
    return {};
}

struct Share {
    double percent = 0.0;
    QString window;
};

Share measure(const QString& program, int ratio, int seconds, const QProcessEnvironment& base, const QString& home,
              bool byScaleFactor) {
    QProcessEnvironment environment = base;
    if (byScaleFactor) {
        environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(ratio));
        runTool(QStringLiteral("xrdb"), {QStringLiteral("-nocpp"), QStringLiteral("-load"), QStringLiteral("-")},
                environment, "Xft.dpi: 96\n");
    } else if (!runTool(QStringLiteral("xrdb"),
                        {QStringLiteral("-nocpp"), QStringLiteral("-load"), QStringLiteral("-")}, environment,
                        QStringLiteral("Xft.dpi: %1\n").arg(96 * ratio).toLatin1())) {
        std::fprintf(stderr, "xrdb failed\n");
        std::exit(1);
    }
    QProcess daq;
    daq.setProcessEnvironment(environment);
    daq.setWorkingDirectory(home);
    daq.setStandardOutputFile(QProcess::nullDevice());
    daq.setStandardErrorFile(QProcess::nullDevice());
    daq.start(program,
              {QStringLiteral("use=usb/-"), QStringLiteral("cfg=" KIVRA_SOURCE_DIR "/examples/demo.tolmcal3")});
    if (!daq.waitForStarted()) {
        std::fprintf(stderr, "cannot start %s\n", qPrintable(program));
        std::exit(1);
    }
    Share share;
    share.window = windowSize(environment, daq);
    if (share.window.isEmpty()) {
        std::fprintf(stderr, "the DAQ window did not show at ratio %d\n", ratio);
        std::exit(1);
    }
    QThread::msleep(warmUpMs);
    QElapsedTimer clock;
    clock.start();
    const double before = cpuSeconds(daq.processId());
    QThread::sleep(static_cast<unsigned long>(seconds));
    const double after = cpuSeconds(daq.processId());
    const double elapsed = double(clock.nsecsElapsed()) / 1e9;
    if (before < 0 || after < 0) {
        std::fprintf(stderr, "the DAQ program ended early at ratio %d\n", ratio);
        std::exit(1);
    }
    share.percent = 100.0 * (after - before) / elapsed;
    daq.terminate();
    if (!daq.waitForFinished(10000)) {
        daq.kill();
        daq.waitForFinished();
    }
    return share;
}

struct Build {
    QString program;
    bool byScaleFactor = false;
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QStringList positional;
    std::vector<Build> builds(1);
    const QStringList arguments = application.arguments().mid(1);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--compare") || argument == QLatin1String("--compare-by-factor")) {
            if (i + 1 == arguments.size()) {
                std::fprintf(stderr, "%s needs a program\n", qPrintable(argument));
                return 2;
            }
            builds.push_back({arguments[++i], argument == QLatin1String("--compare-by-factor")});
        } else {
            positional.append(argument);
        }
    }
    const int seconds = positional.size() > 0 ? std::max(1, positional[0].toInt()) : 30;
    const int rounds = positional.size() > 1 ? std::max(1, positional[1].toInt()) : 1;
    builds[0].program = positional.size() > 2 ? positional[2] : QStringLiteral(DAQ_PROGRAM);
    builds[0].byScaleFactor = qEnvironmentVariableIntValue("KIVRA_BENCH_SCALE_BY_FACTOR") != 0;
    for (const char* tool : {"Xvfb", "xrdb", "xwininfo"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::fprintf(stderr, "%s is not installed (scripts/setup.sh installs it)\n", tool);
            return 1;
        }
    }

    QTemporaryDir folder;
    // The server picks a free display and writes its number to stdout.
    QProcess server;
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("2560x1920x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                  QStringLiteral("-noreset")});
    QElapsedTimer clock;
    clock.start();
    while (server.waitForStarted() && !server.canReadLine() && clock.elapsed() < 20000)
        server.waitForReadyRead(100);
    const QString display = QString::fromLatin1(server.readLine()).trimmed();
    if (display.isEmpty()) {
        std::fprintf(stderr, "Xvfb did not start\n");
        return 1;
    }

    // The program as a desktop starts it: a private home, no platform or
    // scale factor forced.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
          "QT_ENABLE_HIGHDPI_SCALING", "QT_DEVICE_PIXEL_RATIO", "WAYLAND_DISPLAY", "KIVRATOLM_EMULATOR"})
        environment.remove(QString::fromLatin1(name));
    const QString home = folder.filePath(QStringLiteral("home"));
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    environment.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + display);
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));

    std::printf("DAQ program on Xvfb, emulated board at the default 50 frames/s, example calibration;\n"
                "CPU share of one core over %d s after %d s of warm-up\n",
                seconds, warmUpMs / 1000);
    for (size_t b = 0; b < builds.size(); ++b)
        std::printf("  program %zu: %s, scaled by %s\n", b + 1, qPrintable(builds[b].program),
                    builds[b].byScaleFactor ? "QT_SCALE_FACTOR" : "Xft.dpi 96 / 192");
    // shares[build][ratio]
    std::vector<std::map<int, std::vector<double>>> shares(builds.size());
    for (int round = 0; round < rounds; ++round) {
        for (size_t i = 0; i < builds.size(); ++i) {
            const size_t b = round % 2 == 0 ? i : builds.size() - 1 - i;
            for (int ratio : round % 2 == 0 ? std::vector<int>{1, 2} : std::vector<int>{2, 1}) {
                const Share share =
                    measure(builds[b].program, ratio, seconds, environment, home, builds[b].byScaleFactor);
                std::printf("  round %d, program %zu, ratio %d (window %s pixels): %.1f %%\n", round + 1, b + 1, ratio,
                            qPrintable(share.window), share.percent);
                std::fflush(stdout);
                shares[b][ratio].push_back(share.percent);
            }
        }
    }
    for (size_t b = 0; b < builds.size(); ++b) {
        const double one = median(shares[b][1]);
        const double two = median(shares[b][2]);
        std::printf("  median, program %zu: ratio 1 %.1f %%, ratio 2 %.1f %% of one core", b + 1, one, two);
        if (b > 0)
            std::printf(" (program 1: %.0f %% and %.0f %% of these)", 100.0 * median(shares[0][1]) / one,
                        100.0 * median(shares[0][2]) / two);
        std::printf("\n");
    }
    std::printf("  targets: ratio 2 at most 18 %%, ratio 1 no higher than 15 %%\n");

    server.terminate();
    server.waitForFinished();
    return 0;
}
