#include "CaptureSession.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <utility>

namespace {

// The log goes to the disk about this often, never more than once a tick.
constexpr qint64 syncIntervalMs = 1000;

std::uint64_t now() {
    return static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
}

} // namespace

QString captureEndName(CaptureEnd end) {
    switch (end) {
    case CaptureEnd::Running:
        break;
    case CaptureEnd::Length:
        return QStringLiteral("length");
    case CaptureEnd::Stopped:
        return QStringLiteral("stopped");
    case CaptureEnd::Signal:
        return QStringLiteral("signal");
    case CaptureEnd::Timeout:
        return QStringLiteral("timeout");
    case CaptureEnd::Error:
        return QStringLiteral("error");
    }
    return QString();
}

CaptureSession::CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration,
                               std::uint64_t counterAtArm)
    : m_calibration(calibration)
    , m_trigger(settings, calibration, counterAtArm) {
    m_logIsFile = true;
    m_record.settings = settings;
    m_record.armed = now();
    // The overwrite question covered the description too.
    QFile::remove(descriptionFileName(settings.fileName));
}

CaptureSession::CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration,
                               std::uint64_t counterAtArm, CaptureLog log)
    : m_calibration(calibration)
    , m_trigger(settings, calibration, counterAtArm, std::move(log)) {
    m_record.settings = settings;
    m_record.armed = now();
}

void CaptureSession::describeIn(const CaptureContext& context) {
    m_record.context = context;
    m_describe = m_logIsFile;
}

void CaptureSession::feed(std::deque<KivraTolm::InputFrame>& frames) {
    if (isDone())
        return;
    const bool gap = m_restarted && !frames.empty() && m_seenFrame;
    if (gap)
        noteGap(frames);
    if (!frames.empty()) {
        m_restarted = false;
        m_seenFrame = true;
        m_lastTimestamp = frames.back().timestamp;
    }
    feedUntilHistoryFull(frames);
    m_trigger.process(frames);

    if (isDone())
        noteEnd(CaptureEnd::Length);
    if (state() == Armed)
        return;
    if (!hasTriggered()) {
        m_record.triggered = m_trigger.triggerTime();
        m_record.reason = m_trigger.reason();
        m_sinceSync.start();
        describe(false);
    } else if (gap) {
        describe(false);
    } else if (m_sinceSync.elapsed() >= syncIntervalMs && rowsWritten() != m_rowsSynced) {
        m_rowsSynced = rowsWritten();
        m_sinceSync.start();
        describe(true);
    }
}

void CaptureSession::force() {
    m_trigger.force();
}

void CaptureSession::forceWhenHistoryFull() {
    if (state() != Armed)
        return;
    m_forceWhenHistoryFull = true;
    if (m_record.settings.preTriggerSamples <= m_framesArmed) {
        m_trigger.force();
        m_forceWhenHistoryFull = false;
    }
}

// While armed: counts the frames, and with a forced trigger waiting for the
// history, feeds the frames up to the one that fills it and fires behind it,
// so that the tick is split exactly there.
void CaptureSession::feedUntilHistoryFull(std::deque<KivraTolm::InputFrame>& frames) {
    if (state() != Armed)
        return;
    const std::int64_t count = static_cast<std::int64_t>(frames.size());
    const std::int64_t missing = std::max<std::int64_t>(m_record.settings.preTriggerSamples - m_framesArmed, 0);
    if (!m_forceWhenHistoryFull || count < missing) {
        m_framesArmed += count;
        return;
    }
    std::deque<KivraTolm::InputFrame> head(frames.begin(), frames.begin() + missing);
    frames.erase(frames.begin(), frames.begin() + missing);
    m_framesArmed += missing;
    m_trigger.process(head);
    if (state() == Armed)
        m_trigger.force();
    m_forceWhenHistoryFull = false;
}

void CaptureSession::stop(CaptureEnd why) {
    if (isDone())
        return;
    m_trigger.setState(Done);
    noteEnd(why);
}

void CaptureSession::engineRestarted() {
    m_restarted = true;
}

CaptureOutcome CaptureSession::finish() {
    m_trigger.flush();
    CaptureOutcome outcome;
    outcome.end = m_end;
    outcome.rowsWritten = m_trigger.rowsWritten();
    outcome.rowsUnwritten = m_trigger.rowsPending();
    outcome.fileName = m_trigger.fileName();
    if (outcome.rowsUnwritten > 0)
        outcome.error = m_trigger.writeError();
    if (hasTriggered()) {
        m_record.rowsUnwritten = outcome.rowsUnwritten;
        m_record.unwrittenReason = outcome.error;
        describe(true);
        m_writer.wait();
    }
    return outcome;
}

void CaptureSession::noteGap(const std::deque<KivraTolm::InputFrame>& frames) {
    CaptureGap gap;
    gap.lastBefore = m_lastTimestamp;
    gap.firstAfter = frames.front().timestamp;
    const std::uint64_t jump = gap.firstAfter > gap.lastBefore ? gap.firstAfter - gap.lastBefore : 0;
    const std::uint64_t period = framePeriodMs();
    gap.missingMs = jump > period ? jump - period : 0;
    m_record.gaps.push_back(gap);
}

void CaptureSession::noteEnd(CaptureEnd why) {
    if (m_end != CaptureEnd::Running)
        return;
    m_end = why;
    m_record.ended = now();
    m_record.end = captureEndName(why);
}

std::uint64_t CaptureSession::framePeriodMs() const {
    const KivraTolm::AcquisitionSettings& acquisition = m_record.context.acquisition;
    if (acquisition.isIntervalMode())
        return static_cast<std::uint64_t>(acquisition.interval) * 1000;
    return acquisition.frameRate > 0 ? static_cast<std::uint64_t>(1000.0 / acquisition.frameRate) : 0;
}

void CaptureSession::describe(bool syncLog) {
    if (!m_describe)
        return;
    m_record.preTriggerRows = m_trigger.historyRows();
    m_record.rows = rowsWritten();
    m_record.rowsWaiting = rowsPending();
    // The rows counted here are in the file already; the writer puts them on
    // the disk before the description that counts them.
    m_writer.post(
        {syncLog ? fileName() : QString(), descriptionFileName(fileName()), describeCapture(m_record, m_calibration)});
}
