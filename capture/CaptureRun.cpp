#include "CaptureRun.h"

#include "CaptureLog.h"
#include "CaptureSettings.h"
#include "ExitCode.h"
#include "Reporter.h"
#include "SignalWatcher.h"

#include <QMetaObject>

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
    , m_options(std::move(options))
    , m_calibration(std::move(calibration))
    , m_calibrationSource(std::move(calibrationSource))
    , m_settings(triggerSettingsFor(m_options, m_calibration))
    , m_reporter(reporter) {
    m_tick.setInterval(tickMs);
    connect(&m_tick, &QTimer::timeout, this, &CaptureRun::onTick);
}

CaptureRun::~CaptureRun() {
    if (m_capture)
        m_capture->stop();
}

void CaptureRun::start() {
    m_clock.start();
    m_capture = std::make_unique<KivraTolm::Capture>(m_options.bus.toStdString(), m_options.address.toStdString(),
                                                     acquisitionSettingsFor(m_options));
    for (int column = 0; column < 8; ++column)
        m_capture->setColumnSensitivity(column, m_calibration.sensitivity(column));
    m_reporter.status(QStringLiteral("Connecting to the board"), true);
    m_tick.start();
}

void CaptureRun::onTick() {
    // The error first: frames taken after it are all the failed worker made.
    const std::string error = m_capture->errorText();
    std::deque<InputFrame> frames = m_capture->takeFrames();
    if (!frames.empty())
        m_attempts = 0;
    feed(frames);
    if (m_finished)
        return;
    if (!error.empty()) {
        onEngineError(error);
        if (m_finished)
            return;
    }
    if (m_options.timeoutMs > 0 && !triggered() && m_clock.elapsed() >= m_options.timeoutMs)
        finish(CaptureEnd::Timeout, ExitNoTrigger,
               QStringLiteral("no trigger within %1 s (--timeout); nothing was written")
                   .arg(seconds(m_options.timeoutMs)));
}

void CaptureRun::feed(std::deque<InputFrame>& frames) {
    if (frames.empty())
        return;
    if (!m_session)
        arm(frames.front());
    m_session->feed(frames);
    // A pipe never comes back once its reader has gone; finish() says how
    // many rows it did not take.
    if (m_options.toStandardOutput() && m_session->rowsPending() > 0) {
        finish(CaptureEnd::Error, ExitOutput);
        return;
    }
    reportChanges();
    if (m_session->isDone())
        finish(m_session->end(), ExitCaptured);
}

void CaptureRun::arm(const InputFrame& first) {
    // The counter the external trigger compares with is the board's own at
    // arming, as the window takes it from the frame it shows.
    if (m_options.toStandardOutput())
        m_session = std::make_unique<CaptureSession>(
            m_settings, m_calibration, first.counter,
            CaptureLog::onDescriptor(STDOUT_FILENO, QStringLiteral("standard output")));
    else
        m_session = std::make_unique<CaptureSession>(m_settings, m_calibration, first.counter);
    CaptureContext context;
    context.board = m_capture->board();
    context.acquisition = acquisitionSettingsFor(m_options);
    context.calibration = m_calibrationSource;
    context.lengthAsTime = m_options.lengthAsTime;
    m_session->describeIn(context);
    m_reporter.armed();
    // Behind the board's own triggers: they fire in the frames fed first.
    if (m_options.forceTrigger)
        m_session->forceWhenHistoryFull();
}

bool CaptureRun::triggered() const {
    return m_session && m_session->state() != Armed;
}

void CaptureRun::reportChanges() {
    if (!m_triggerReported && triggered()) {
        m_triggerReported = true;
        m_lastProgress = m_clock.elapsed();
        m_reporter.triggered(m_session->reason(), m_session->triggerTime());
    }
    if (m_triggerReported && m_clock.elapsed() - m_lastProgress >= progressEveryMs) {
        m_lastProgress = m_clock.elapsed();
        m_reporter.progress(m_session->rowsWritten());
    }
    if (m_triggerReported)
        m_reporter.status(QStringLiteral("Recording: %1 rows").arg(m_session->rowsWritten()), false);

    const int waiting = m_session->rowsPending();
    if (waiting == 0) {
        m_lastWriteError.clear();
        return;
    }
    const QString error = m_session->writeError();
    const bool first = error != m_lastWriteError;
    if (first || m_clock.elapsed() - m_lastWriteErrorReport >= progressEveryMs) {
        m_reporter.writeError(m_session->fileName(), error, waiting, first);
        m_lastWriteError = error;
        m_lastWriteErrorReport = m_clock.elapsed();
    }
}

void CaptureRun::onEngineError(const std::string& error) {
    const QString text = QString::fromStdString(error);
    if (m_restartAt < 0) {
        if (m_attempts >= m_options.reconnect) {
            QString message = QStringLiteral("board %1/%2: %3").arg(m_options.bus, m_options.address, text);
            if (m_options.reconnect > 0)
                message += QStringLiteral(" (gave up after %1 attempts to start again)").arg(m_attempts);
            finish(CaptureEnd::Error, ExitBoard, message);
            return;
        }
        ++m_attempts;
        m_restartAt = m_clock.elapsed() + restartPauseMs;
        m_reporter.reconnect(m_attempts, m_options.reconnect, text);
        m_reporter.status(QStringLiteral("Waiting to start the board again"), true);
        return;
    }
    if (m_clock.elapsed() < m_restartAt)
        return;
    m_restartAt = -1;
    // Sensitivities go out again with the new start.
    m_capture->start();
    if (triggered())
        m_session->engineRestarted();
    else
        m_session.reset();
}

void CaptureRun::stopBySignal(int signalNumber) {
    if (m_finished)
        return;
    // Whatever the engine received until now goes into the log.
    m_capture->stop();
    std::deque<InputFrame> frames = m_capture->takeFrames();
    feed(frames);
    if (m_finished)
        return;
    const QString name = SignalWatcher::name(signalNumber);
    if (triggered() && m_options.captureSamples == 0) {
        finish(CaptureEnd::Stopped, ExitCaptured);
        return;
    }
    if (triggered())
        m_reporter.note(QStringLiteral("stopped by %1 after %2 rows, before the capture length was reached")
                            .arg(name)
                            .arg(m_session->rowsWritten()));
    else
        m_reporter.note(QStringLiteral("stopped by %1 before the trigger; nothing was written").arg(name));
    finish(CaptureEnd::Signal, ExitSignal);
}

void CaptureRun::finish(CaptureEnd end, int exitCode, const QString& message) {
    if (m_finished)
        return;
    m_finished = true;
    m_tick.stop();
    m_capture->stop();
    if (!message.isEmpty())
        m_reporter.error(message);
    int rows = 0;
    int gaps = 0;
    if (m_session) {
        m_session->stop(end);
        const CaptureOutcome outcome = m_session->finish();
        end = outcome.end;
        rows = outcome.rowsWritten;
        gaps = m_session->gapCount();
        if (outcome.rowsUnwritten > 0) {
            m_reporter.error(QStringLiteral("%1 captured rows could not be written to %2: %3")
                                 .arg(outcome.rowsUnwritten)
                                 .arg(outcome.fileName, outcome.error));
            if (exitCode == ExitCaptured || exitCode == ExitSignal)
                exitCode = ExitOutput;
        }
    }
    m_reporter.done(rows, gaps, end);
    // Delivered once the loop runs, also when the run ends before exec().
    QMetaObject::invokeMethod(
        this, [this, exitCode] { emit finished(exitCode); }, Qt::QueuedConnection);
}
