#pragma once

#include "BenchStatus.h"
#include "CalibrationData.h"
#include "Capture.h"
#include "CaptureDescription.h"
#include "CaptureOptions.h"
#include "CaptureSession.h"
#include "TriggerSettings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>
#include <string>

class BenchPublisher;
class Reporter;

// One run of kivratolm-capture from the engine's start to the tool's end,
// on the thread of the event loop. Every 20 ms, as the DAQ window does, it
// takes the engine's frames and feeds them to the capture session, which
// is armed with the first frame; then it reports what changed and decides
// whether the run is over. A board error before the trigger arms the capture
// anew with the first frame after the restart, so that the external trigger
// compares counters of the same run of the board.
class CaptureRun : public QObject {
    Q_OBJECT
public:
    CaptureRun(CaptureOptions options, CalibrationData calibration, CalibrationSource calibrationSource,
               Reporter& reporter, QObject* parent = nullptr);
    ~CaptureRun() override;

    // Starts the engine and the tick.
    void start();
    // SIGINT or SIGTERM: everything received is written, then the run ends.
    void stopBySignal(int signalNumber);
    // Publishes the run to a broker: the frames and the state on every tick.
    void setPublisher(BenchPublisher* publisher) { this->publisher = publisher; }

    // A served bench (--serve): the engine runs from start() to the tool's
    // end and each capture is armed by a command, with its own options and
    // calibration. False when one is armed or running.
    bool armCapture(CaptureOptions capture, CalibrationData calibration, CalibrationSource source);
    // Triggers the armed capture; false when none waits for its trigger.
    bool forceCapture();
    // Ends the running capture as asked; false when none runs.
    bool stopCapture();
    bool isCapturing() const { return armRequested || session != nullptr; }
    BenchStatus currentStatus() const;

signals:
    void finished(int exitCode);
    // A served bench's capture is armed, or ended (with the command line's exit code).
    void captureArmed();
    void captureEnded(int exitCode);

private:
    void onTick();
    void feed(std::deque<KivraTolm::InputFrame>& frames);
    void arm(const KivraTolm::InputFrame& first);
    void reportChanges();
    void reportDescriptionError();
    void onEngineError(const std::string& error);
    void finish(CaptureEnd end, int exitCode, const QString& message = {});
    bool triggered() const;
    void publishState();
    void endServedCapture(int exitCode);

    CaptureOptions options;
    CalibrationData calibration; // the session converts with it
    CalibrationSource calibrationSource;
    TriggerSettings settings;
    Reporter& reporter;
    std::unique_ptr<KivraTolm::Capture> capture;
    std::unique_ptr<CaptureSession> session;
    QTimer tick;
    QElapsedTimer clock; // since the engine started

    bool triggerReported = false;
    std::size_t gapsReported = 0;
    qint64 lastProgress = 0;
    QString lastWriteError;
    qint64 lastWriteErrorReport = 0;
    bool lossReported = false;
    QString lastDescriptionError;
    int attempts = 0;      // restarts since frames last arrived
    qint64 restartAt = -1; // clock time of the next restart; -1: none waiting
    bool done = false;
    bool failed = false;
    BenchPublisher* publisher = nullptr;
    int descriptionsPublished = 0;
    // A served bench: its own options and calibration between captures.
    CaptureOptions served;
    CalibrationData servedCalibration;
    CalibrationSource servedSource;
    bool armRequested = false;
    bool endingTool = false;
    qint64 armedAt = 0; // clock time of the arming, for --timeout
};
