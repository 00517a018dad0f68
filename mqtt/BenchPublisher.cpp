#include "BenchPublisher.h"

#include "CalibrationData.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>

#include <utility>

namespace {

constexpr qint64 counterStatusMs = 1000;
constexpr qint64 statusEveryMs = 10000;

std::int64_t now() {
    return QDateTime::currentMSecsSinceEpoch();
}

// What the status topic holds when the program vanished.
std::string willPayload(const QString& program, const QString& version) {
    const QJsonObject object{{QStringLiteral("program"), program},
                             {QStringLiteral("version"), version},
                             {QStringLiteral("state"), QStringLiteral("offline")}};
    return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

// The event that takes the place of the events an outage cost.
OutgoingMessage droppedNote(const std::string& topic, std::uint64_t dropped) {
    const QJsonObject object{{QStringLiteral("event"), QStringLiteral("events_dropped")},
                             {QStringLiteral("time"), static_cast<double>(now())},
                             {QStringLiteral("dropped"), static_cast<double>(dropped)},
                             {QStringLiteral("command"), QJsonValue::Null}};
    return {OutgoingMessage::Kind::Event, topic, QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString(),
            std::nullopt};
}

} // namespace

BenchPublisher::BenchPublisher(BrokerSettings broker, const QString& prefix, LiveMode liveMode, const QString& program,
                               const QString& version)
    : names(prefix)
    , liveMode(liveMode)
    , connection(std::move(broker), names.status().toStdString(), willPayload(program, version),
                 BrokerConnection::Limits(),
                 [topic = names.event().toStdString()](std::uint64_t dropped) { return droppedNote(topic, dropped); }) {
    current.program = program;
    current.version = version;
    current.state = QStringLiteral("idle");
}

BenchPublisher::~BenchPublisher() = default;

void BenchPublisher::receiveCommands(std::size_t mostPayloadBytes) {
    // A tick takes them every 20 ms: more than this at once is a flood.
    constexpr std::size_t mostWaiting = 64;
    connection.receiveCommands(names.command().toStdString(), mostPayloadBytes, mostWaiting);
}

void BenchPublisher::reply(const IncomingMessage& command, const QByteArray& json) {
    connection.publishReply(names.reply().toStdString(), json.toStdString(), std::nullopt);
    if (!command.responseTopic.empty())
        connection.publishReply(command.responseTopic, json.toStdString(), command.correlation);
}

void BenchPublisher::start() {
    connection.start();
}

void BenchPublisher::frames(const std::deque<KivraTolm::InputFrame>& raw, const CalibrationData& calibration) {
    if (liveMode == LiveMode::Off || raw.empty())
        return;
    live.begin();
    if (liveMode == LiveMode::Tick) {
        live.add(framesPublished++, calibration.calibrateFrame(raw.back()));
    } else {
        for (const KivraTolm::InputFrame& frame : raw)
            live.add(framesPublished++, calibration.calibrateFrame(frame));
    }
    connection.publishLive(names.live().toStdString(), live.end());
}

void BenchPublisher::status(BenchStatus status) {
    status.program = current.program;
    status.version = current.version;
    status.liveDropped = connection.liveDropped();
    const bool changed = !statusKnown || !status.sameApartFromCounters(current);
    const bool counted = status.captureRows != current.captureRows || status.liveDropped != current.liveDropped;
    current = std::move(status);
    statusKnown = true;
    if (changed || !statusSent || (counted && sinceStatus.elapsed() >= counterStatusMs))
        sendStatus();
}

void BenchPublisher::sendStatus() {
    connection.publishRetained(names.status().toStdString(), current.json(now()).toStdString());
    statusSent = true;
    sinceStatus.start();
}

void BenchPublisher::event(const QByteArray& json, bool progress) {
    connection.publishEvent(names.event().toStdString(), json.toStdString(), progress);
}

void BenchPublisher::description(const QByteArray& json) {
    connection.publishRetained(names.description().toStdString(), json.toStdString());
}

void BenchPublisher::tick() {
    if (statusKnown && sinceStatus.elapsed() >= statusEveryMs) {
        current.liveDropped = connection.liveDropped();
        sendStatus();
    }
    connection.pump();
}

void BenchPublisher::finish(int timeoutMs) {
    current.state = QStringLiteral("offline");
    current.liveDropped = connection.liveDropped();
    connection.finish(names.status().toStdString(), current.json(now()).toStdString(), timeoutMs);
}
