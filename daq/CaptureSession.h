#pragma once

#include "CaptureDescription.h"
#include "CaptureFileLock.h"
#include "DescriptionWriter.h"
#include "InputFrame.h"
#include "Trigger.h"
#include "TriggerSettings.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class CalibrationData;

// Why a capture ended.
enum class CaptureEnd {
    Running, // not yet ended
    Length,  // the capture length was reached
    Stopped, // stopped by the user
    Signal,  // stopped by a signal (the command-line tool)
    Timeout, // no trigger in time (the command-line tool)
    Error,   // the engine failed and was not restarted
};

// "length", "stopped", "signal", "timeout", "error"; empty while running.
QString captureEndName(CaptureEnd end);

// What became of a capture's rows once it has ended.
struct CaptureOutcome {
    CaptureEnd end = CaptureEnd::Running;
    int rowsWritten = 0;
    int rowsUnwritten = 0; // rows that never reached the file, the lost ones included
    int rowsLost = 0;      // of them, rows not even kept in memory
    QString fileName;
    QString error; // why the last write failed, when rows are unwritten
};

// One capture from arming to its end, shared by the DAQ window and the
// command-line tool. Both take the engine's frames on every tick and hand
// them to feed(); both read the same state for their own reports, so a
// capture from a script and one from the window are the same capture.
//
// Once it has triggered, a capture into a file keeps a description beside
// the log (the log's name + ".json"): written at the trigger, at each gap,
// about once a second together with a data sync of the log, and at the end.
// The log comes first: a description that cannot be written never stops the
// capture. Runs on the thread that owns it (the GUI or the tool's main thread).
class CaptureSession {
public:
    // Arms the capture. Deletes an old log of the settings' file name and its
    // description. Holds `lock` (the log's, taken by the caller before it
    // looked at the file) until it is destroyed.
    CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm,
                   CaptureFileLock lock = {});
    // Arms a capture into a log the caller opened (standard output): no
    // description.
    CaptureSession(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm,
                   CaptureLog log);

    // What the description tells of the set-up; without it no description
    // is written.
    void describeIn(const CaptureContext& context);

    // The frames taken from the engine on this tick (possibly none).
    void feed(std::deque<KivraTolm::InputFrame>& frames);
    // Forced trigger; a capture that has ended stays ended.
    void force();
    // A forced trigger that fires as soon as the history holds the
    // pre-trigger frames (at once without any), right behind the frame that
    // completes it, unless the frames fed before fire a trigger of their own.
    void forceWhenHistoryFull();
    // Ends the capture by request; the frames of later ticks are not written.
    void stop(CaptureEnd why = CaptureEnd::Stopped);
    // The engine was started again: the next frames follow a gap.
    void engineRestarted();

    bool isDone() const { return trigger.state() == Done; }
    bool hasTriggered() const { return record.triggered != 0; }
    TriggerState state() const { return trigger.state(); }
    CaptureEnd end() const { return ending; }
    const QString& reason() const { return trigger.reason(); }
    std::uint64_t triggerTime() const { return trigger.triggerTime(); }
    int rowsWritten() const { return trigger.rowsWritten(); }
    // History rows written ahead of the triggering frame.
    int historyRows() const { return trigger.historyRows(); }
    // Rows kept in memory because the file could not be written.
    int rowsPending() const { return trigger.rowsPending(); }
    // Rows dropped because too much waited in memory.
    int rowsLost() const { return trigger.rowsLost(); }
    // The rows kept in memory as a log of their own, to be saved elsewhere.
    std::string unwrittenLog() const { return trigger.unwrittenLog(); }
    const QString& writeError() const { return trigger.writeError(); }
    const QString& fileName() const { return trigger.fileName(); }
    const TriggerSettings& settings() const { return record.settings; }
    const std::vector<CaptureGap>& gaps() const { return record.gaps; }
    int gapCount() const { return static_cast<int>(record.gaps.size()); }
    // Why the description could not be written the last time; empty when it was.
    QString descriptionError() const { return writer.error(); }
    // The text of the newest description and how many were written, for
    // those who publish it elsewhere too.
    const QByteArray& description() const { return lastDescription; }
    int descriptionsWritten() const { return descriptionCount; }

    // Writes what is still kept in memory, once more, and tells what became
    // of the rows. Call once the capture is done.
    CaptureOutcome finish();

private:
    void feedUntilHistoryFull(std::deque<KivraTolm::InputFrame>& frames);
    void noteGap(const std::deque<KivraTolm::InputFrame>& frames);
    void noteEnd(CaptureEnd why);
    void describe(bool syncLog);
    std::uint64_t framePeriodMs() const;

    CaptureFileLock fileLock;
    const CalibrationData& calibration;
    Trigger trigger;
    CaptureRecord record;
    CaptureEnd ending = CaptureEnd::Running;
    bool logIsFile = false; // not a descriptor such as standard output
    bool describing = false;
    bool restarted = false;
    bool seenFrame = false;
    std::uint64_t lastTimestamp = 0;
    QElapsedTimer sinceSync;
    int rowsSynced = 0;
    DescriptionWriter writer;
    QByteArray lastDescription;
    int descriptionCount = 0;
    bool forceOnFullHistory = false;
    std::int64_t framesArmed = 0; // frames fed while armed
};
