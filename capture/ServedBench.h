#pragma once

#include "BrokerConnection.h"
#include "CaptureFileLock.h"
#include "CaptureOptions.h"

#include <QJsonValue>
#include <QObject>
#include <QTimer>

#include <deque>
#include <optional>
#include <vector>

class BenchPublisher;
class CaptureRun;
class Reporter;

// The commands of a served bench (--serve). libmosquitto's thread only
// queues what arrives; this takes the queue on its own tick, on the event
// loop's thread, and drives the run. Every command gets one reply: at once,
// or for capture once it is armed and for stop once the capture is done. The
// replies of recent ids are kept, so that a command sent again (a client
// that did not see the reply) gets its reply again and runs only once.
class ServedBench : public QObject {
    Q_OBJECT
public:
    ServedBench(CaptureOptions served, CaptureRun& run, BenchPublisher& publisher, Reporter& reporter,
                QObject* parent = nullptr);

private:
    // One message that carried a command, for the reply to reach its sender.
    using Receipt = IncomingMessage;
    struct Pending {
        QByteArray id; // compact JSON
        QJsonValue idValue;
        std::vector<Receipt> receipts; // the first and those that repeated the id meanwhile
    };

    void onTick();
    void handle(const IncomingMessage& message);
    Pending* pendingWith(const QByteArray& id);
    void answer(Pending& pending, int code, const QString& message);
    void remember(const QByteArray& id, const QByteArray& json);
    void onArmed();
    void onEnded(int exitCode);

    CaptureOptions served;
    CaptureRun& run;
    BenchPublisher& publisher;
    Reporter& reporter;
    QTimer tick;
    std::deque<std::pair<QByteArray, QByteArray>> answered; // id, reply; the newest last
    std::optional<Pending> arming;                          // a capture until it is armed
    std::vector<Pending> stopping;                          // stops until the capture is done
    CaptureFileLock lock;                                   // the running capture's log
};
