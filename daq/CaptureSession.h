#pragma once

#include "InputFrame.h"
#include "Trigger.h"
#include "TriggerSettings.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <memory>

class CalibrationData;

// Why a capture ended.
enum class CaptureEnd {
    Running,  // not yet ended
    Length,   // the capture length was reached
    Stopped,  // stopped by the user
    Signal,   // stopped by a signal (the command-line tool)
    Timeout,  // no trigger in time (the command-line tool)
    Error,    // the engine failed and was not restarted
};

// What became of a capture's rows once it has ended.
struct CaptureOutcome {
    CaptureEnd end = CaptureEnd::Running;
    int rowsWritten = 0;
    int rowsUnwritten = 0; // rows that never reached the file
    QString fileName;
    QString error; // why the last write failed, when rows are unwritten
};

// One capture from arming to its end, shared by the DAQ window and the
// command-line tool. Both take the engine's frames on every tick and hand
// them to feed(); both read the same state for their own reports, so a
// capture from a script and one from the window are the same capture.
// Runs on the thread that owns it (the GUI or the tool's main thread).
class CaptureSession {
public:
    // Arms the capture. Deletes an old log of the settings' file name.
    CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm);
    // Arms a capture into a log the caller opened (standard output).
    CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm,
                   CaptureLog log);

    // The frames taken from the engine on this tick (possibly none).
    void feed(std::deque<KivraTolm::InputFrame>& frames);
    // Forced trigger; a capture that has ended stays ended.
    void force();
    // Ends the capture by request; the frames of later ticks are not written.
    void stop(CaptureEnd why = CaptureEnd::Stopped);

    bool isDone() const { return m_trigger.state() == Done; }
    TriggerState state() const { return m_trigger.state(); }
    CaptureEnd end() const { return m_end; }
    const QString& reason() const { return m_trigger.reason(); }
    std::uint64_t triggerTime() const { return m_trigger.triggerTime(); }
    int rowsWritten() const { return m_trigger.rowsWritten(); }
    // Rows kept in memory because the file could not be written.
    int rowsPending() const { return m_trigger.rowsPending(); }
    const QString& writeError() const { return m_trigger.writeError(); }
    const QString& fileName() const { return m_trigger.fileName(); }
    const TriggerSettings& settings() const { return m_settings; }

    // Writes what is still kept in memory, once more, and tells what became
    // of the rows. Call once the capture is done.
    CaptureOutcome finish();

private:
    TriggerSettings m_settings;
    Trigger m_trigger;
    CaptureEnd m_end = CaptureEnd::Running;
};
