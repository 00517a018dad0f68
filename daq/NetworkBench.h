#pragma once

#include "BenchPublisher.h"
#include "NetworkSettings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>

#include <cstddef>
#include <deque>
#include <memory>

class CaptureSession;
struct CaptureEvent;
struct CaptureOutcome;

// The DAQ window's bench on the broker: its status, live values, the events
// and descriptions of its captures, under the bench's topics. Only queues;
// libmosquitto's thread sends, so neither the tick nor a capture ever waits
// for the network. Takes no commands.
class NetworkBench {
    Q_DECLARE_TR_FUNCTIONS(NetworkBench)

public:
    NetworkBench(const NetworkSettings& settings, const QString& bus, const QString& address);
    ~NetworkBench();

    static QString defaultPrefix(const QString& bus, const QString& address);

    // What the link to the broker is doing, for the status bar.
    const QString& linkText() const { return link; }

    void frames(const std::deque<KivraTolm::InputFrame>& raw, const CalibrationData& calibration);
    // A new capture has been armed.
    void armed();
    // After the capture took a tick's frames: its trigger, progress, gaps,
    // write problems and descriptions.
    void captureFed(const CaptureSession& session);
    void captureDone(const CaptureSession& session, const CaptureOutcome& outcome);
    // Once per tick: the status, and the link's news for linkText().
    void tick(const BenchStatus& status);
    // Says offline and closes the link; waits a short moment at most.
    void finish();

private:
    void event(const CaptureEvent& event);

    QString broker; // host:port
    QString link;
    std::unique_ptr<BenchPublisher> publisher; // none when the password could not be read
    // How much of the running capture has been published.
    bool triggerSent = false;
    QElapsedTimer sinceProgress;
    std::size_t gapsSent = 0;
    QString writeErrorSent;
    QElapsedTimer sinceWriteError;
    QString descriptionErrorSent;
    int descriptionsSent = 0;
};
