#include "Trigger.h"

#include "CalibrationData.h"

#include <QDateTime>
#include <QFile>

#include <cmath>
#include <utility>

using KivraTolm::InputFrame;

Trigger::Trigger(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm)
    : Trigger(settings, calibration, counterAtArm, CaptureLog(settings.fileName)) {
    if (QFile::exists(settings.fileName))
        QFile::remove(settings.fileName);
}

Trigger::Trigger(const TriggerSettings& settings, const CalibrationData& calibration, std::uint64_t counterAtArm,
                 CaptureLog log)
    : counterAtArm(counterAtArm)
    , settings(settings)
    , calibration(calibration)
    , levelSensors(sensorsWhere(settings.levelTrigger, true))
    , format(settings)
    , log(std::move(log)) {}

void Trigger::process(std::deque<InputFrame>& frames) {
    if (currentState == Recording) {
        record(frames);
        return;
    }
    if (currentState != Armed)
        return;
    while (!frames.empty()) {
        const InputFrame frame = frames.front();
        frames.pop_front();
        if (triggers(calibration.calibrateFrame(frame))) {
            preTriggerRows = historyRowCount = static_cast<int>(buffer.size());
            buffer.push_back(frame);
            buffer.insert(buffer.end(), frames.begin(), frames.end());
            currentState = Recording;
            return;
        }
        buffer.push_back(frame);
        while (buffer.size() > static_cast<std::size_t>(std::max(settings.preTriggerSamples, 0)))
            buffer.pop_front();
    }
}

void Trigger::force() {
    // A capture the user has stopped stays stopped.
    if (currentState == Done)
        return;
    triggerReason = QStringLiteral("Forced trigger");
    triggeredAt = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    if (currentState == Armed)
        preTriggerRows = historyRowCount = static_cast<int>(buffer.size());
    currentState = Recording;
}

bool Trigger::triggers(const InputFrame& converted) {
    if (settings.externalTrigger && converted.counter != counterAtArm) {
        triggerReason = QStringLiteral("External triggered");
        triggeredAt = converted.timestamp;
        return true;
    }
    for (const SensorPosition& sensor : levelSensors) {
        const float value = converted.sensors[sensor.row][sensor.column];
        // NaN compares false and never fires.
        if (value > settings.level[sensor.index()]) {
            std::string level;
            CsvFormat::appendFixed8(level, value);
            triggerReason = QStringLiteral("Trigger level of sensor %1 [Level = %2]")
                                .arg(QString::fromStdString(sensor.name()), QString::fromStdString(level));
            triggeredAt = converted.timestamp;
            return true;
        }
    }
    return false;
}

// Writes the history before the trigger, then at most captureSamples frames
// from the trigger on (0: no limit).
void Trigger::record(std::deque<InputFrame>& frames) {
    std::deque<InputFrame> block;
    block.swap(buffer);
    const int limit = settings.captureSamples;
    const auto full = [&] {
        return limit > 0 && rowsAfterTrigger >= limit;
    };

    // The head of the buffer is history; everything behind it counts.
    const std::size_t history = std::min(block.size(), static_cast<std::size_t>(preTriggerRows));
    preTriggerRows = 0;
    std::size_t kept = history;
    for (; kept < block.size() && !full(); ++kept)
        ++rowsAfterTrigger;
    block.resize(kept);
    while (!frames.empty() && !full()) {
        block.push_back(frames.front());
        frames.pop_front();
        ++rowsAfterTrigger;
    }
    write(block);
    if (full())
        currentState = Done;
}

void Trigger::write(const std::deque<InputFrame>& frames) {
    if (frames.empty())
        return;
    std::string text;
    if (headerPending) {
        text = format.headerLine(triggerReason, triggeredAt) + format.columnLine();
        headerPending = false;
    }
    for (const InputFrame& frame : frames)
        format.appendRow(text, calibration.calibrateFrame(frame));
    log.append(std::move(text), static_cast<int>(frames.size()));
}

std::string Trigger::unwrittenLog() const {
    const std::string& text = log.pendingText();
    // Until a first block has reached the file, the header leads the text.
    if (text.empty() || log.rowsWritten() == 0)
        return text;
    return format.headerLine(triggerReason, triggeredAt) + format.columnLine() + text;
}
