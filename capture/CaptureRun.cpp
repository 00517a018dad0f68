#include "CaptureRun.h"

#include "BenchPublisher.h"

#include "CaptureLog.h"
#include "CaptureSettings.h"
#include "ExitCode.h"
#include "ProgressLine.h"
#include "Reporter.h"
#include "SignalWatcher.h"

#include <QMetaObject>

#include <array>
#include <cstdint>
#include <utility>

#include <unistd.h>

using KivraTolm::InputFrame;

namespace {

constexpr int tickMs = 20; // the DAQ window's display tick
constexpr qint64 progressEveryMs = 1000;
constexpr qint64 restartPauseMs = 1000;

QString seconds(qint64 ms) {
    return QString::number(static_cast<double>(ms) / 1000.0);
}

} // namespace

CaptureRun::CaptureRun(CaptureOptions options, CalibrationData calibration, CalibrationSource calibrationSource,
                       Reporter& reporter, QObject* parent)
    : QObject(parent)
    , options(std::move(options))
    , calibration(std::move(calibration))
    , calibrationSource(std::move(calibrationSource))
    , settings(triggerSettingsFor(this->options, this->calibration))
    , reporter(reporter)
    , served(this->options)
    , servedCalibration(this->calibration)
    , servedSource(this->calibrationSource) {
    tick.setInterval(tickMs);
    connect(&tick, &QTimer::timeout, this, &CaptureRun::onTick);
}

CaptureRun::~CaptureRun() {
    if (capture)
        capture->stop();
}

void CaptureRun::start() {
    clock.start();
    std::array<std::int32_t, 8> sensitivities{};
    for (int column = 0; column < 8; ++column)
        sensitivities[static_cast<std::size_t>(column)] = calibration.sensitivity(column);
    // The board gets them before its stream starts.
    capture = std::make_unique<KivraTolm::Capture>(options.bus.toStdString(), options.address.toStdString(),
                                                   acquisitionSettingsFor(options), sensitivities);
    reporter.status(QStringLiteral("Connecting to the board"), true);
    tick.start();
}

void CaptureRun::onTick() {
    // The error first: frames taken after it are all the failed worker made.
    const std::string error = capture->errorText();
    std::deque<InputFrame> frames = capture->takeFrames();
    if (!frames.empty())
        attempts = 0;
    if (publisher)
        publisher->frames(frames, calibration);
    feed(frames);
    if (done)
        return;
    if (!error.empty()) {
        onEngineError(error);
        if (done)
            return;
    }
    if (options.timeoutMs > 0 && !triggered() && clock.elapsed() - armedAt >= options.timeoutMs)
        finish(
            CaptureEnd::Timeout, ExitNoTrigger,
            QStringLiteral("no trigger within %1 s (--timeout); nothing was written").arg(seconds(options.timeoutMs)));
    else
        publishState();
}

// Only queues: the broker's thread sends.
void CaptureRun::publishState() {
    if (!publisher)
        return;
    publisher->status(currentStatus());
    if (session && session->descriptionsWritten() != descriptionsPublished) {
        descriptionsPublished = session->descriptionsWritten();
        publisher->description(session->description());
    }
    const QString broker = QStringLiteral("%1:%2").arg(options.mqtt.host).arg(options.mqtt.port);
    for (const BrokerNews& news : publisher->takeNews())
        reporter.broker(broker, news.connected, news.message);
    publisher->tick();
}

BenchStatus CaptureRun::currentStatus() const {
    BenchStatus status;
    if (failed || restartAt >= 0)
        status.state = QStringLiteral("error");
    else if (!triggered())
        status.state = session && !session->isDone() ? QStringLiteral("armed") : QStringLiteral("idle");
    else
        status.state = session->isDone() ? QStringLiteral("idle") : QStringLiteral("recording");
    status.board = capture->board();
    status.rate = options.rate;
    status.calibrationPath = calibrationSource.path;
    status.calibrationSha256 = calibrationSource.sha256;
    status.unit = QString::fromStdString(calibration.unit());
    if (session && triggered() && !session->isDone()) {
        status.capturing = true;
        status.captureFile = options.toStandardOutput() ? QStringLiteral("-") : session->fileName();
        status.captureRows = session->rowsWritten();
    }
    if (armRequested && status.state == QLatin1String("idle"))
        status.state = QStringLiteral("armed");
    return status;
}

void CaptureRun::feed(std::deque<InputFrame>& frames) {
    // Rows only of frames measured with the calibration's sensitivities.
    KivraTolm::dropUnsettledFrames(frames, capture->settledFrom());
    if (frames.empty())
        return;
    if (!session) {
        if (options.serves() && !armRequested)
            return;
        arm(frames.front());
    }
    session->feed(frames);
    // A pipe never comes back once its reader has gone; finish() says how
    // many rows it did not take.
    if (options.toStandardOutput() && session->rowsPending() > 0) {
        finish(CaptureEnd::Error, ExitOutput);
        return;
    }
    reportChanges();
    if (session->isDone())
        finish(session->end(), ExitCaptured);
}

void CaptureRun::arm(const InputFrame& first) {
    // The counter the external trigger compares with is the board's own at
    // arming, as the window takes it from the frame it shows.
    if (options.toStandardOutput())
        session = std::make_unique<CaptureSession>(
            settings, calibration, first.counter,
            CaptureLog::onDescriptor(STDOUT_FILENO, QStringLiteral("standard output")));
    else
        session = std::make_unique<CaptureSession>(settings, calibration, first.counter);
    CaptureContext context;
    context.board = capture->board();
    context.acquisition = acquisitionSettingsFor(options);
    context.calibration = calibrationSource;
    context.lengthAsTime = options.lengthAsTime;
    session->describeIn(context);
    armRequested = false;
    armedAt = clock.elapsed();
    reporter.armed();
    if (options.serves())
        emit captureArmed();
    // Behind the board's own triggers: they fire in the frames fed first.
    if (options.forceTrigger)
        session->forceWhenHistoryFull();
}

bool CaptureRun::triggered() const {
    return session && session->state() != Armed;
}

void CaptureRun::reportChanges() {
    if (!triggerReported && triggered()) {
        triggerReported = true;
        lastProgress = clock.elapsed();
        reporter.triggered(session->reason(), session->triggerTime());
    }
    if (triggerReported && clock.elapsed() - lastProgress >= progressEveryMs) {
        lastProgress = clock.elapsed();
        reporter.progress(session->rowsWritten());
    }
    for (; gapsReported < session->gaps().size(); ++gapsReported)
        reporter.gap(session->gaps()[gapsReported]);
    if (triggerReported) {
        // The history comes on top of the length.
        const int total = options.captureSamples > 0 ? session->historyRows() + options.captureSamples : 0;
        const double rate = options.interval != 0 ? 1.0 / options.interval : options.rate;
        reporter.status(ProgressLine::recordingText(session->rowsWritten(), total, rate), false);
    }
    reportDescriptionError();
    if (!lossReported && session->rowsLost() > 0) {
        lossReported = true;
        reporter.rowsLost(session->fileName(), CaptureLog::maxPendingBytes);
    }

    const int waiting = session->rowsPending();
    if (waiting == 0) {
        lastWriteError.clear();
        return;
    }
    const QString error = session->writeError();
    const bool first = error != lastWriteError;
    if (first || clock.elapsed() - lastWriteErrorReport >= progressEveryMs) {
        reporter.writeError(session->fileName(), error, waiting, first);
        lastWriteError = error;
        lastWriteErrorReport = clock.elapsed();
    }
}

void CaptureRun::reportDescriptionError() {
    const QString error = session->descriptionError();
    if (error.isEmpty() || error == lastDescriptionError)
        return;
    lastDescriptionError = error;
    reporter.descriptionError(descriptionFileName(session->fileName()), error);
}

void CaptureRun::onEngineError(const std::string& error) {
    const QString text = QString::fromStdString(error);
    if (restartAt < 0) {
        if (attempts >= options.reconnect) {
            QString message = QStringLiteral("board %1/%2: %3").arg(options.bus, options.address, text);
            if (options.reconnect > 0)
                message += QStringLiteral(" (gave up after %1 attempts to start again)").arg(attempts);
            finish(CaptureEnd::Error, ExitBoard, message);
            return;
        }
        ++attempts;
        restartAt = clock.elapsed() + restartPauseMs;
        reporter.reconnect(attempts, options.reconnect, text);
        reporter.status(QStringLiteral("Waiting to start the board again"), true);
        return;
    }
    if (clock.elapsed() < restartAt)
        return;
    restartAt = -1;
    // Sensitivities go out again with the new start.
    capture->start();
    if (triggered())
        session->engineRestarted();
    else
        session.reset();
}

void CaptureRun::stopBySignal(int signalNumber) {
    if (done)
        return;
    endingTool = true;
    if (options.serves() && !isCapturing()) {
        done = true;
        tick.stop();
        capture->stop();
        QMetaObject::invokeMethod(
            this, [this] { emit finished(ExitCaptured); }, Qt::QueuedConnection);
        return;
    }
    // Whatever the engine received until now goes into the log.
    capture->stop();
    std::deque<InputFrame> frames = capture->takeFrames();
    feed(frames);
    if (done)
        return;
    const QString name = SignalWatcher::name(signalNumber);
    if (triggered() && options.captureSamples == 0) {
        finish(CaptureEnd::Stopped, ExitCaptured);
        return;
    }
    if (triggered())
        reporter.note(QStringLiteral("stopped by %1 after %2 rows, before the capture length was reached")
                          .arg(name)
                          .arg(session->rowsWritten()));
    else
        reporter.note(QStringLiteral("stopped by %1 before the trigger; nothing was written").arg(name));
    finish(CaptureEnd::Signal, ExitSignal);
}

void CaptureRun::finish(CaptureEnd end, int exitCode, const QString& message) {
    if (done)
        return;
    // A served bench's capture ends; the bench goes on.
    const bool benchGoesOn = options.serves() && !endingTool && exitCode != ExitBoard;
    if (!benchGoesOn) {
        done = true;
        tick.stop();
        capture->stop();
    }
    failed = exitCode == ExitBoard;
    if (!message.isEmpty())
        reporter.error(message);
    int rows = 0;
    int gaps = 0;
    if (session) {
        session->stop(end);
        const CaptureOutcome outcome = session->finish();
        reportDescriptionError();
        end = outcome.end;
        rows = outcome.rowsWritten;
        gaps = session->gapCount();
        if (outcome.rowsUnwritten > 0) {
            QString message = QStringLiteral("%1 captured rows could not be written to %2: %3")
                                  .arg(outcome.rowsUnwritten)
                                  .arg(outcome.fileName, outcome.error);
            if (outcome.rowsLost > 0)
                message += QStringLiteral(" (%1 of them were dropped: more than %2 MB waited in memory)")
                               .arg(outcome.rowsLost)
                               .arg(CaptureLog::maxPendingBytes >> 20);
            reporter.error(message);
            if (exitCode == ExitCaptured || exitCode == ExitSignal)
                exitCode = ExitOutput;
        }
    }
    // Before "done", which stays the last event.
    publishState();
    reporter.done(rows, gaps, end);
    if (benchGoesOn) {
        endServedCapture(exitCode);
        return;
    }
    if (options.serves() && isCapturing())
        emit captureEnded(exitCode);
    // Delivered once the loop runs, also when the run ends before exec().
    QMetaObject::invokeMethod(
        this, [this, exitCode] { emit finished(exitCode); }, Qt::QueuedConnection);
}

bool CaptureRun::armCapture(CaptureOptions capture, CalibrationData calibration, CalibrationSource source) {
    if (done || isCapturing())
        return false;
    options = std::move(capture);
    this->calibration = std::move(calibration);
    calibrationSource = std::move(source);
    settings = triggerSettingsFor(options, this->calibration);
    // Rows only of frames measured with this calibration's sensitivities.
    for (int column = 0; column < 8; ++column)
        this->capture->setColumnSensitivity(column, this->calibration.sensitivity(column));
    triggerReported = false;
    gapsReported = 0;
    lastWriteError.clear();
    lossReported = false;
    lastDescriptionError.clear();
    armRequested = true;
    armedAt = clock.elapsed();
    return true;
}

bool CaptureRun::forceCapture() {
    if (armRequested) {
        options.forceTrigger = true;
        return true;
    }
    if (!session || triggered())
        return false;
    session->force();
    return true;
}

bool CaptureRun::stopCapture() {
    if (armRequested && !session) {
        endServedCapture(ExitCaptured);
        return true;
    }
    if (!session)
        return false;
    // Whatever the engine received until now goes into the log.
    std::deque<InputFrame> frames = capture->takeFrames();
    if (publisher)
        publisher->frames(frames, calibration);
    feed(frames);
    if (session)
        finish(CaptureEnd::Stopped, ExitCaptured);
    return true;
}

void CaptureRun::endServedCapture(int exitCode) {
    session.reset();
    armRequested = false;
    options = served;
    const bool sameSensitivities = [&] {
        for (int column = 0; column < 8; ++column)
            if (calibration.sensitivity(column) != servedCalibration.sensitivity(column))
                return false;
        return true;
    }();
    calibration = servedCalibration;
    calibrationSource = servedSource;
    settings = triggerSettingsFor(options, calibration);
    if (!sameSensitivities)
        for (int column = 0; column < 8; ++column)
            capture->setColumnSensitivity(column, calibration.sensitivity(column));
    publishState();
    emit captureEnded(exitCode);
}
