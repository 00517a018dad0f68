#include "CaptureSession.h"

#include <utility>

CaptureSession::CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration,
                               std::uint64_t counterAtArm)
    : m_settings(settings)
    , m_trigger(settings, calibration, counterAtArm) {}

CaptureSession::CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration,
                               std::uint64_t counterAtArm, CaptureLog log)
    : m_settings(settings)
    , m_trigger(settings, calibration, counterAtArm, std::move(log)) {}

void CaptureSession::feed(std::deque<KivraTolm::InputFrame>& frames) {
    if (isDone())
        return;
    m_trigger.process(frames);
    if (isDone() && m_end == CaptureEnd::Running)
        m_end = CaptureEnd::Length;
}

void CaptureSession::force() {
    m_trigger.force();
}

void CaptureSession::stop(CaptureEnd why) {
    if (isDone())
        return;
    m_trigger.setState(Done);
    m_end = why;
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
    return outcome;
}
