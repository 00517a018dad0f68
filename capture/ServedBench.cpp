#include "ServedBench.h"

#include "BenchPublisher.h"
#include "CapturePreparation.h"
#include "CaptureRun.h"
#include "ExitCode.h"
#include "ProgramVersion.h"
#include "Reporter.h"
#include "ServeCommand.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <utility>

namespace {

constexpr int tickMs = 20;
constexpr std::size_t mostRemembered = 256;

QByteArray idKey(const QJsonValue& id) {
    return QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact);
}

} // namespace

ServedBench::ServedBench(CaptureOptions served, CaptureRun& run, BenchPublisher& publisher, Reporter& reporter,
                         QObject* parent)
    : QObject(parent)
    , served(std::move(served))
    , run(run)
    , publisher(publisher)
    , reporter(reporter) {
    tick.setInterval(tickMs);
    connect(&tick, &QTimer::timeout, this, &ServedBench::onTick);
    connect(&run, &CaptureRun::captureArmed, this, &ServedBench::onArmed);
    connect(&run, &CaptureRun::captureEnded, this, &ServedBench::onEnded);
    tick.start();
}

void ServedBench::onTick() {
    for (const IncomingMessage& message : publisher.takeCommands())
        handle(message);
}

void ServedBench::handle(const IncomingMessage& message) {
    const ServeCommand command = parseServeCommand(QByteArray::fromStdString(message.payload), served);
    const QByteArray key = idKey(command.id);
    if (!command.id.isNull()) {
        // Sent again: the same reply, once it is there, and nothing done twice.
        const auto done = std::find_if(answered.begin(), answered.end(), [&](const auto& a) { return a.first == key; });
        if (done != answered.end()) {
            publisher.reply(message, done->second);
            return;
        }
        if (Pending* pending = pendingWith(key)) {
            pending->receipts.push_back(message);
            return;
        }
    }
    Pending now{key, command.id, {message}};
    if (command.isRefused())
        return answer(now, command.code, command.error);
    switch (command.kind) {
    case ServeCommand::Kind::Status: {
        BenchStatus bench = run.currentStatus();
        bench.program = QStringLiteral("kivratolm-capture");
        bench.version = programVersion();
        const QJsonObject status = QJsonDocument::fromJson(bench.json(QDateTime::currentMSecsSinceEpoch())).object();
        remember(key, serveReply(command.id, ExitCaptured, {}, {{QStringLiteral("status"), status}}));
        publisher.reply(message, answered.back().second);
        return;
    }
    case ServeCommand::Kind::Force:
        if (!run.forceCapture())
            return answer(now, ExitUsage, QStringLiteral("no capture waits for its trigger"));
        return answer(now, ExitCaptured, {});
    case ServeCommand::Kind::Stop:
        if (!run.isCapturing())
            return answer(now, ExitUsage, QStringLiteral("no capture runs"));
        stopping.push_back(std::move(now));
        run.stopCapture();
        return;
    case ServeCommand::Kind::Capture:
        break;
    }
    if (run.isCapturing())
        return answer(now, ExitBoard, QStringLiteral("a capture runs already: stop it first, or wait for its end"));
    PreparedCapture prepared = prepareCapture(command.options);
    if (!prepared.error.isEmpty())
        return answer(now, prepared.exitCode, prepared.error);
    lock = std::move(prepared.lock);
    CaptureOptions chosen = command.options;
    chosen.output = prepared.output;
    reporter.setCommand(command.id, chosen.output);
    arming = std::move(now);
    run.armCapture(std::move(chosen), std::move(prepared.calibration), std::move(prepared.calibrationSource));
}

ServedBench::Pending* ServedBench::pendingWith(const QByteArray& id) {
    if (arming && arming->id == id)
        return &*arming;
    const auto stop = std::find_if(stopping.begin(), stopping.end(), [&](const Pending& p) { return p.id == id; });
    return stop == stopping.end() ? nullptr : &*stop;
}

void ServedBench::answer(Pending& pending, int code, const QString& message) {
    const QByteArray json = serveReply(pending.idValue, code, message);
    if (!pending.idValue.isNull())
        remember(pending.id, json);
    for (const Receipt& receipt : pending.receipts)
        publisher.reply(receipt, json);
}

void ServedBench::remember(const QByteArray& id, const QByteArray& json) {
    answered.emplace_back(id, json);
    if (answered.size() > mostRemembered)
        answered.pop_front();
}

void ServedBench::onArmed() {
    if (arming)
        answer(*arming, ExitCaptured, {});
    arming.reset();
}

void ServedBench::onEnded(int exitCode) {
    lock = CaptureFileLock();
    reporter.setCommand(QJsonValue::Null, QString());
    // A capture that ended before it was armed was refused after all.
    if (arming)
        answer(*arming, exitCode == ExitCaptured ? ExitSignal : exitCode,
               QStringLiteral("the capture ended before it was armed"));
    arming.reset();
    for (Pending& stop : stopping)
        answer(stop, ExitCaptured, {});
    stopping.clear();
}
