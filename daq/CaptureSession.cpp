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
                               std::uint64_t counterAtArm, CaptureFileLock lock)
    : fileLock(std::move(lock))
    , calibration(calibration)
    , trigger(settings, this->calibration, counterAtArm) {
    logIsFile = true;
    record.settings = settings;
    record.armed = now();
    // The overwrite question covered the description too.
    QFile::remove(descriptionFileName(settings.fileName));
}

CaptureSession::CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration,
                               std::uint64_t counterAtArm, CaptureLog log)
    : calibration(calibration)
    , trigger(settings, this->calibration, counterAtArm, std::move(log)) {
    record.settings = settings;
    record.armed = now();
}

void CaptureSession::describeIn(const CaptureContext& context) {
    record.context = context;
    describing = logIsFile;
}

void CaptureSession::feed(std::deque<KivraTolm::InputFrame>& frames) {
    if (isDone())
        return;
    const bool gap = restarted && !frames.empty() && seenFrame;
    if (gap)
        noteGap(frames);
    if (!frames.empty()) {
        restarted = false;
        seenFrame = true;
        lastTimestamp = frames.back().timestamp;
    }
    feedUntilHistoryFull(frames);
    trigger.process(frames);

    if (isDone())
        noteEnd(CaptureEnd::Length);
    if (state() == Armed)
        return;
    if (!hasTriggered()) {
        record.triggered = trigger.triggerTime();
        record.reason = trigger.reason();
        sinceSync.start();
        describe(false);
    } else if (gap) {
        describe(false);
    } else if (sinceSync.elapsed() >= syncIntervalMs && rowsWritten() != rowsSynced) {
        rowsSynced = rowsWritten();
        sinceSync.start();
        describe(true);
    }
}

void CaptureSession::force() {
    trigger.force();
}

void CaptureSession::forceWhenHistoryFull() {
    if (state() != Armed)
        return;
    forceOnFullHistory = true;
    if (record.settings.preTriggerSamples <= framesArmed) {
        trigger.force();
        forceOnFullHistory = false;
    }
}

// While armed: counts the frames, and with a forced trigger waiting for the
// history, feeds the frames up to the one that fills it and fires behind it,
// so that the tick is split exactly there.
void CaptureSession::feedUntilHistoryFull(std::deque<KivraTolm::InputFrame>& frames) {
    if (state() != Armed)
        return;
    const std::int64_t count = static_cast<std::int64_t>(frames.size());
    const std::int64_t missing = std::max<std::int64_t>(record.settings.preTriggerSamples - framesArmed, 0);
    if (!forceOnFullHistory || count < missing) {
        framesArmed += count;
        return;
    }
    std::deque<KivraTolm::InputFrame> head(frames.begin(), frames.begin() + missing);
    frames.erase(frames.begin(), frames.begin() + missing);
    framesArmed += missing;
    trigger.process(head);
    if (state() == Armed)
        trigger.force();
    forceOnFullHistory = false;
}

void CaptureSession::stop(CaptureEnd why) {
    if (isDone())
        return;
    trigger.setState(Done);
    noteEnd(why);
}

void CaptureSession::engineRestarted() {
    restarted = true;
}

CaptureOutcome CaptureSession::finish() {
    trigger.flush();
    CaptureOutcome outcome;
    outcome.end = ending;
    outcome.rowsWritten = trigger.rowsWritten();
    outcome.rowsLost = trigger.rowsLost();
    outcome.rowsUnwritten = trigger.rowsPending() + outcome.rowsLost;
    outcome.fileName = trigger.fileName();
    if (outcome.rowsUnwritten > 0)
        outcome.error = trigger.writeError();
    if (hasTriggered()) {
        record.rowsUnwritten = outcome.rowsUnwritten;
        record.unwrittenReason = outcome.error;
        describe(true);
        writer.wait();
    }
    return outcome;
}

void CaptureSession::noteGap(const std::deque<KivraTolm::InputFrame>& frames) {
    CaptureGap gap;
    gap.lastBefore = lastTimestamp;
    gap.firstAfter = frames.front().timestamp;
    const std::uint64_t jump = gap.firstAfter > gap.lastBefore ? gap.firstAfter - gap.lastBefore : 0;
    const std::uint64_t period = framePeriodMs();
    gap.missingMs = jump > period ? jump - period : 0;
    record.gaps.push_back(gap);
}

void CaptureSession::noteEnd(CaptureEnd why) {
    if (ending != CaptureEnd::Running)
        return;
    ending = why;
    record.ended = now();
    record.end = captureEndName(why);
}

std::uint64_t CaptureSession::framePeriodMs() const {
    const KivraTolm::AcquisitionSettings& acquisition = record.context.acquisition;
    if (acquisition.isIntervalMode())
        return static_cast<std::uint64_t>(acquisition.interval) * 1000;
    return acquisition.frameRate > 0 ? static_cast<std::uint64_t>(1000.0 / acquisition.frameRate) : 0;
}

void CaptureSession::describe(bool syncLog) {
    if (!describing)
        return;
    record.preTriggerRows = trigger.historyRows();
    record.rows = rowsWritten();
    record.rowsWaiting = rowsPending();
    // The rows counted here are in the file already; the writer puts them on
    // the disk before the description that counts them.
    lastDescription = describeCapture(record, calibration);
    ++descriptionCount;
    writer.post({syncLog ? fileName() : QString(), descriptionFileName(fileName()), lastDescription});
}
