#pragma once

#include "CaptureLog.h"
#include "CsvFormat.h"
#include "InputFrame.h"
#include "SensorList.h"
#include "TriggerSettings.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <vector>

class CalibrationData;

enum TriggerState { Armed = 0, Recording = 1, Done = 2 };

// One capture: keeps the pre-trigger history while armed, checks every frame
// for the trigger, then appends the frames to the log until the capture length
// from the trigger on is reached. Runs on the GUI thread, fed once per tick.
class Trigger {
public:
    // Deletes an existing file of the settings' name.
    Trigger(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm);
    // Writes into a log the caller has opened; deletes nothing.
    Trigger(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm,
            CaptureLog log);

    // Takes the frames the engine queued since the last tick. May consume
    // frames from the front of the queue.
    void process(std::deque<KivraTolm::InputFrame>& frames);
    // Forced trigger: the buffered history is written on the next tick,
    // followed by the frames after the click.
    void force();

    TriggerState state() const { return currentState; }
    // The window ends a capture by setting Done.
    void setState(TriggerState state) { currentState = state; }
    const QString& reason() const { return triggerReason; }
    std::uint64_t triggerTime() const { return triggeredAt; }

    int rowsWritten() const { return log.rowsWritten(); }
    // Rows kept in memory because the file could not be written.
    int rowsPending() const { return log.rowsPending(); }
    // Rows dropped because too much waited in memory.
    int rowsLost() const { return log.rowsLost(); }
    // The rows kept in memory as a log of their own, header and column line
    // first; empty when none wait.
    std::string unwrittenLog() const;
    const QString& writeError() const { return log.error(); }
    const QString& fileName() const { return log.fileName(); }
    // Tries once more to write rows kept after a failed write.
    bool flush() { return log.flush(); }
    // History frames written ahead of the triggering frame.
    int historyRows() const { return historyRowCount; }

private:
    bool triggers(const KivraTolm::InputFrame& converted);
    void record(std::deque<KivraTolm::InputFrame>& frames);
    void write(const std::deque<KivraTolm::InputFrame>& frames);

    std::deque<KivraTolm::InputFrame> buffer;
    TriggerState currentState = Armed;
    QString triggerReason;
    bool headerPending = true;
    std::uint64_t counterAtArm = 0;
    std::uint64_t triggeredAt = 0;
    int preTriggerRows = 0;   // history frames at the head of the buffer when it fired
    int rowsAfterTrigger = 0; // frames taken from the trigger on
    int historyRowCount = 0;
    TriggerSettings settings;
    const CalibrationData& calibration;
    std::vector<SensorPosition> levelSensors; // marked for the level trigger, column by column
    CsvFormat format;
    CaptureLog log;
};
