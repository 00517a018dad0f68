// A fleet of served benches on one mosquitto broker: each bench is
// kivratolm-capture --serve --mqtt-live all on its own network board
// (kivratolm-board-emulator on its own loopback port) at 1000 frames/s, and
// one subscriber counts every bench's live frames by their number n. The
// number of benches steps 1, 2, 4, ...; for each step it prints the frames
// lost, the latency from a frame's t to its arrival, the CPU share of each
// tool and of the broker, and beside them one tool on its own board that
// publishes no live values (--mqtt-live off).
//
//   bench_mqtt_fleet [--seconds S] [--steps N,N,...] [--max N]
//                    (default 60 s per step; without --steps it doubles from
//                    1 until a step misses a target, at most --max, default 64)
//
// Targets: no frame lost, p99 latency at most 50 ms. It reports the largest
// fleet that meets both and the figures at twice it. Exit code 0 when the
// first step meets them.
#include "ProcessUsage.h"

#include <mosquitto.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int frameRate = 1000;
constexpr double p99TargetMs = 50;
const QString topicRoot = QStringLiteral("kivratolm/fleet");

quint16 freeLoopbackPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

void stopProcess(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

// Our own mosquitto on a free loopback port, never the machine's service.
struct Broker {
    QTemporaryDir folder;
    QProcess process;
    quint16 port = freeLoopbackPort();

    bool start() {
        QFile file(folder.filePath("mosquitto.conf"));
        if (!file.open(QIODevice::WriteOnly))
            return false;
        // As root it would become the user mosquitto, who cannot read this folder.
        file.write(QStringLiteral("%1listener %2 127.0.0.1\nallow_anonymous true\nset_tcp_nodelay true\n")
                       .arg(::geteuid() == 0 ? "user root\n" : "")
                       .arg(port)
                       .toUtf8());
        file.close();
        process.setProgram("mosquitto");
        process.setArguments({"-c", file.fileName()});
        process.setStandardOutputFile(folder.filePath("broker.log"));
        process.setStandardErrorFile(folder.filePath("broker.log"));
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && process.state() == QProcess::Running) {
            QTcpSocket probe;
            probe.connectToHost(QHostAddress::LocalHost, port);
            if (probe.waitForConnected(200))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    ~Broker() { stopProcess(process); }
};

struct BoardServer {
    QProcess process;
    QString address;

    bool start() {
        process.setProgram(QStringLiteral(BOARD_EMULATOR));
        process.setArguments({"--listen", "127.0.0.1:0"});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        static const QRegularExpression line("listening on (127\\.0\\.0\\.1:\\d+)\\n");
        QString output;
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 5000 && process.state() == QProcess::Running) {
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
    ~BoardServer() { stopProcess(process); }
};

// One served tool on its own board.
struct Bench {
    BoardServer board;
    QTemporaryDir folder;
    QProcess tool;

    bool start(int index, quint16 brokerPort, const QString& live) {
        if (!board.start())
            return false;
        tool.setProgram(QStringLiteral(CAPTURE_TOOL));
        tool.setArguments({"use=net/" + board.address, "--rate", QString::number(frameRate), "--serve", folder.path(),
                           "--mqtt", QStringLiteral("127.0.0.1:%1").arg(brokerPort), "--mqtt-live", live,
                           "--mqtt-prefix", topicRoot + QStringLiteral("/b%1").arg(index)});
        tool.setProcessChannelMode(QProcess::ForwardedChannels);
        tool.start();
        return tool.waitForStarted(5000);
    }
    ~Bench() { stopProcess(tool); }
};

double nowMs() {
    return static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count()) /
           1000.0;
}

// Counts the live frames of every bench by n; latencies while measuring.
class Subscriber {
public:
    struct PerBench {
        long long firstN = -1;
        long long lastN = -1;
        long long received = 0;
        long long liveDropped = 0; // from the newest status
    };

    explicit Subscriber(quint16 port) {
        mosq = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(mosq, [](mosquitto*, void* self, const mosquitto_message* message) {
            static_cast<Subscriber*>(self)->arrived(message);
        });
        mosquitto_connect_callback_set(mosq, [](mosquitto* client, void*, int) {
            mosquitto_subscribe(client, nullptr, "kivratolm/fleet/+/live", 0);
            mosquitto_subscribe(client, nullptr, "kivratolm/fleet/+/status", 0);
        });
        ok = mosquitto_connect(mosq, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS &&
             mosquitto_loop_start(mosq) == MOSQ_ERR_SUCCESS;
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq);
        mosquitto_loop_stop(mosq, false);
        mosquitto_destroy(mosq);
    }
    Subscriber(const Subscriber&) = delete;
    Subscriber& operator=(const Subscriber&) = delete;

    bool connected() const { return ok; }
    void measure(bool on) {
        const std::lock_guard<std::mutex> lock(mutex);
        measuring = on;
    }
    std::map<std::string, PerBench> benches() {
        const std::lock_guard<std::mutex> lock(mutex);
        return perBench;
    }
    std::vector<double> latencies() {
        const std::lock_guard<std::mutex> lock(mutex);
        return latencyMs;
    }

private:
    void arrived(const mosquitto_message* message) {
        const double arrival = nowMs();
        const std::string topic = message->topic;
        const std::string::size_type slash = topic.rfind('/');
        const std::string bench = topic.substr(0, slash);
        const std::string payload(static_cast<const char*>(message->payload),
                                  static_cast<std::size_t>(message->payloadlen));
        const std::lock_guard<std::mutex> lock(mutex);
        PerBench& counts = perBench[bench];
        if (topic.compare(slash, std::string::npos, "/status") == 0) {
            const std::string::size_type at = payload.find("\"live_dropped\":");
            if (at != std::string::npos)
                counts.liveDropped = std::atoll(payload.c_str() + at + 15);
            return;
        }
        // Every frame starts {"n":N,"t":SECONDS.MMM
        std::string::size_type at = 0;
        while ((at = payload.find("{\"n\":", at)) != std::string::npos) {
            char* end = nullptr;
            const long long n = std::strtoll(payload.c_str() + at + 5, &end, 10);
            const double t = std::strtod(end + 5, &end); // past ,"t":
            at = static_cast<std::string::size_type>(end - payload.c_str());
            if (counts.firstN < 0)
                counts.firstN = n;
            counts.lastN = std::max(counts.lastN, n);
            ++counts.received;
            if (measuring)
                latencyMs.push_back(arrival - t * 1000.0);
        }
    }

    mosquitto* mosq = nullptr;
    bool ok = false;
    std::mutex mutex;
    bool measuring = false;
    std::map<std::string, PerBench> perBench;
    std::vector<double> latencyMs;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    const std::size_t at =
        std::min(values.size() - 1, static_cast<std::size_t>(p * static_cast<double>(values.size())));
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at), values.end());
    return values[at];
}

struct StepResult {
    int benches = 0;
    bool started = false;
    long long expected = 0;
    long long lost = 0;
    long long liveDropped = 0;
    double p50 = 0;
    double p99 = 0;
    double max = 0;
    std::vector<double> toolCpu; // share of one core, each tool
    double brokerCpu = 0;
    double quietToolCpu = 0;
    bool meetsTargets() const { return started && lost == 0 && liveDropped == 0 && p99 <= p99TargetMs; }
};

// CPU share of one core of each process over the time `seconds` from now.
class CpuWindow {
public:
    explicit CpuWindow(const std::vector<qint64>& pids)
        : processes(pids) {
        clock.start();
        for (qint64 pid : processes)
            before.push_back(ProcessUsage::cpuSecondsOf(pid).value_or(0));
    }
    std::vector<double> shares() const {
        const double wall = static_cast<double>(clock.elapsed()) / 1000.0;
        std::vector<double> result;
        for (std::size_t i = 0; i < processes.size(); ++i)
            result.push_back((ProcessUsage::cpuSecondsOf(processes[i]).value_or(before[i]) - before[i]) / wall);
        return result;
    }

private:
    std::vector<qint64> processes;
    std::vector<double> before;
    QElapsedTimer clock;
};

StepResult runStep(int count, int seconds) {
    StepResult result;
    result.benches = count;
    Broker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "mosquitto did not start\n");
        return result;
    }
    Subscriber subscriber(broker.port);
    std::vector<std::unique_ptr<Bench>> benches;
    for (int i = 0; i < count; ++i) {
        benches.push_back(std::make_unique<Bench>());
        if (!benches.back()->start(i, broker.port, QStringLiteral("all"))) {
            std::fprintf(stderr, "bench %d did not start\n", i);
            return result;
        }
    }
    Bench quiet;
    if (!subscriber.connected() || !quiet.start(count, broker.port, QStringLiteral("off"))) {
        std::fprintf(stderr, "the subscriber or the quiet bench did not start\n");
        return result;
    }
    // Warm-up: every bench's frames arrive, then two more seconds.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 30000 && static_cast<int>(subscriber.benches().size()) < count)
        QThread::msleep(100);
    if (static_cast<int>(subscriber.benches().size()) < count) {
        std::fprintf(stderr, "not every bench published within 30 s\n");
        return result;
    }
    QThread::msleep(2000);

    std::vector<qint64> pids;
    for (const auto& bench : benches)
        pids.push_back(bench->tool.processId());
    pids.push_back(broker.process.processId());
    pids.push_back(quiet.tool.processId());
    const std::map<std::string, Subscriber::PerBench> atStart = subscriber.benches();
    subscriber.measure(true);
    const CpuWindow cpu(pids);
    QThread::msleep(static_cast<unsigned long>(seconds) * 1000);
    const std::vector<double> shares = cpu.shares();
    // Frames sent before the end are let arrive; latencies stop here.
    subscriber.measure(false);
    QThread::msleep(500);
    const std::map<std::string, Subscriber::PerBench> atEnd = subscriber.benches();

    result.started = true;
    for (const auto& [name, end] : atEnd) {
        if (name == topicRoot.toStdString() + "/b" + std::to_string(count))
            continue; // the quiet bench: status only
        const Subscriber::PerBench& start = atStart.at(name);
        const long long expected = end.lastN - start.lastN;
        result.expected += expected;
        result.lost += expected - (end.received - start.received);
        result.liveDropped += end.liveDropped;
    }
    const std::vector<double> latencies = subscriber.latencies();
    result.p50 = percentile(latencies, 0.50);
    result.p99 = percentile(latencies, 0.99);
    result.max = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    result.toolCpu.assign(shares.begin(), shares.begin() + count);
    result.brokerCpu = shares[static_cast<std::size_t>(count)];
    result.quietToolCpu = shares[static_cast<std::size_t>(count) + 1];
    return result;
}

void print(const StepResult& r) {
    double sum = 0;
    double highest = 0;
    for (double share : r.toolCpu) {
        sum += share;
        highest = std::max(highest, share);
    }
    const double mean = r.toolCpu.empty() ? 0 : sum / static_cast<double>(r.toolCpu.size());
    std::printf("%7d %10lld %6lld %8lld %8.1f %8.1f %8.1f %8.1f%% %8.1f%% %8.1f%% %8.1f%%  %s\n", r.benches, r.expected,
                r.lost, r.liveDropped, r.p50, r.p99, r.max, 100 * mean, 100 * highest, 100 * r.brokerCpu,
                100 * r.quietToolCpu, r.meetsTargets() ? "yes" : "no");
    std::printf("        each tool:");
    for (double share : r.toolCpu)
        std::printf(" %.1f%%", 100 * share);
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    int seconds = 60;
    int maxBenches = 64;
    std::vector<int> steps;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == "--seconds")
            seconds = arguments[i + 1].toInt();
        else if (arguments[i] == "--max")
            maxBenches = arguments[i + 1].toInt();
        else if (arguments[i] == "--steps") {
            for (const QString& step : arguments[i + 1].split(','))
                steps.push_back(step.toInt());
        }
    }
    if (seconds <= 0 || maxBenches <= 0 || std::any_of(steps.begin(), steps.end(), [](int n) { return n <= 0; })) {
        std::fprintf(stderr, "usage: bench_mqtt_fleet [--seconds S] [--steps N,N,...] [--max N]\n");
        return 2;
    }
    mosquitto_lib_init();
    std::printf("Served benches on one mosquitto broker, each on its own network board at %d frames/s with\n"
                "--mqtt-live all; one subscriber; %d s per step; %d cores, load %s\n",
                frameRate, seconds, static_cast<int>(::sysconf(_SC_NPROCESSORS_ONLN)),
                qPrintable(QString::fromUtf8([] {
                               QFile file("/proc/loadavg");
                               return file.open(QIODevice::ReadOnly) ? file.readAll().left(14) : QByteArray();
                           }())
                               .trimmed()));
    std::printf("%7s %10s %6s %8s %8s %8s %8s %9s %9s %9s %9s  %s\n", "benches", "frames", "lost", "dropped", "p50 ms",
                "p99 ms", "max ms", "tool avg", "tool max", "broker", "quiet", "targets");
    std::vector<StepResult> results;
    const bool doubling = steps.empty();
    for (int n = 1, index = 0;;) {
        const int count = doubling ? n : steps[static_cast<std::size_t>(index)];
        results.push_back(runStep(count, seconds));
        print(results.back());
        if (doubling) {
            n *= 2;
            if (!results.back().meetsTargets() || n > maxBenches)
                break;
        } else if (++index == static_cast<int>(steps.size())) {
            break;
        }
    }
    mosquitto_lib_cleanup();

    std::printf("frames: live frames the benches numbered from the step's start to half a second after it;\n"
                "lost: of those, not received; dropped: the tools' own live_dropped; latency: arrival at the\n"
                "subscriber minus the frame's t, which is the stream's start plus n frame periods, so it\n"
                "includes the engine's batching of the board's reads and the 20 ms publishing tick;\n"
                "CPU: user + system time as a share of one core, from /proc/PID/stat; quiet: a tool beside\n"
                "them on its own board with --mqtt-live off. Targets: nothing lost, p99 <= %.0f ms.\n",
                p99TargetMs);
    const StepResult* best = nullptr;
    for (const StepResult& r : results) {
        if (r.meetsTargets() && (!best || r.benches > best->benches))
            best = &r;
    }
    if (!best) {
        std::printf("No step met both targets.\n");
        return 1;
    }
    std::printf("Largest fleet meeting both targets: %d bench%s.\n", best->benches, best->benches == 1 ? "" : "es");
    const auto twice = std::find_if(results.begin(), results.end(),
                                    [&](const StepResult& r) { return r.benches == 2 * best->benches; });
    if (twice != results.end()) {
        std::printf("At twice it (%d benches): %lld lost, p99 %.1f ms, broker %.1f%%.\n", twice->benches, twice->lost,
                    twice->p99, 100 * twice->brokerCpu);
    } else {
        std::printf("Twice it (%d benches) was not run.\n", 2 * best->benches);
    }
    return results.front().meetsTargets() ? 0 : 1;
}
