#pragma once

#include "BenchStatus.h"
#include "BenchTopics.h"
#include "BrokerConnection.h"
#include "InputFrame.h"
#include "LiveFrames.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class CalibrationData;

// One bench on the network: its status (retained, with a Last Will that says
// offline), its live frames, its events and its capture's description,
// under the bench's topic prefix. Everything runs on the owner's thread and
// only queues; tick() hands the queue to the network thread.
class BenchPublisher {
public:
    BenchPublisher(BrokerSettings broker, const QString& prefix, LiveMode liveMode, const QString& program,
                   const QString& version);
    ~BenchPublisher();

    // Before start(): take commands on the command topic.
    void receiveCommands(std::size_t mostPayloadBytes);
    void start();
    std::vector<IncomingMessage> takeCommands() { return connection.takeCommands(); }
    // On the reply topic, and on the response topic the command asked for.
    void reply(const IncomingMessage& command, const QByteArray& json);
    // The frames of one tick, raw; converted here as the log converts them.
    void frames(const std::deque<KivraTolm::InputFrame>& raw, const CalibrationData& calibration);
    // Sent at once when more than the counters changed, a changed counter
    // after a second, and at least every 10 s.
    void status(BenchStatus status);
    // One event object as the program's --events writes it.
    void event(const QByteArray& json, bool progress);
    void description(const QByteArray& json);
    void tick();

    std::vector<BrokerNews> takeNews() { return connection.takeNews(); }
    const BenchTopics& topics() const { return names; }

    // The last status with the state "offline", after what is queued (at
    // most `timeoutMs` of waiting); then the link is closed.
    void finish(int timeoutMs = 2000);

private:
    void sendStatus();

    BenchTopics names;
    LiveMode liveMode;
    BrokerConnection connection;
    LiveFrames live;
    std::uint64_t framesPublished = 0;
    BenchStatus current;
    bool statusKnown = false;
    bool statusSent = false;
    QElapsedTimer sinceStatus;
};
