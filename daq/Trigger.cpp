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
    : m_counterAtArm(counterAtArm)
    , m_settings(settings)
    , m_calibration(calibration)
    , m_levelSensors(sensorsWhere(settings.levelTrigger, true))
    , m_format(settings)
    , m_log(std::move(log)) {}

void Trigger::process(std::deque<InputFrame>& frames) {
    if (m_state == Recording) {
        record(frames);
        return;
    }
    if (m_state != Armed)
        return;
    while (!frames.empty()) {
        const InputFrame frame = frames.front();
        frames.pop_front();
        if (triggers(m_calibration.calibrateFrame(frame))) {
            m_preTriggerRows = m_historyRows = static_cast<int>(m_buffer.size());
            m_buffer.push_back(frame);
            m_buffer.insert(m_buffer.end(), frames.begin(), frames.end());
            m_state = Recording;
            return;
        }
        m_buffer.push_back(frame);
        while (m_buffer.size() > static_cast<std::size_t>(std::max(m_settings.preTriggerSamples, 0)))
            m_buffer.pop_front();
    }
}

void Trigger::force() {
    // A capture the user has stopped stays stopped.
    if (m_state == Done)
        return;
    m_reason = QStringLiteral("Forced trigger");
    m_triggerTime = static_cast<std::uint64_t>(QDateTime::currentMSecsSinceEpoch());
    if (m_state == Armed)
        m_preTriggerRows = m_historyRows = static_cast<int>(m_buffer.size());
    m_state = Recording;
}

bool Trigger::triggers(const InputFrame& converted) {
    if (m_settings.externalTrigger && converted.counter != m_counterAtArm) {
        m_reason = QStringLiteral("External triggered");
        m_triggerTime = converted.timestamp;
        return true;
    }
    for (const SensorPosition& sensor : m_levelSensors) {
        const float value = converted.sensors[sensor.row][sensor.column];
        // NaN compares false and never fires.
        if (value > m_settings.level[sensor.index()]) {
            std::string level;
            CsvFormat::appendFixed8(level, value);
            m_reason = QStringLiteral("Trigger level of sensor %1 [Level = %2]")
                           .arg(QString::fromStdString(sensor.name()), QString::fromStdString(level));
            m_triggerTime = converted.timestamp;
            return true;
        }
    }
    return false;
}

// Writes the history before the trigger, then at most captureSamples frames
// from the trigger on (0: no limit).
void Trigger::record(std::deque<InputFrame>& frames) {
    std::deque<InputFrame> block;
    block.swap(m_buffer);
    const int limit = m_settings.captureSamples;
    const auto full = [&] {
        return limit > 0 && m_rowsAfterTrigger >= limit;
    };

    // The head of the buffer is history; everything behind it counts.
    const std::size_t history = std::min(block.size(), static_cast<std::size_t>(m_preTriggerRows));
    m_preTriggerRows = 0;
    std::size_t kept = history;
    for (; kept < block.size() && !full(); ++kept)
        ++m_rowsAfterTrigger;
    block.resize(kept);
    while (!frames.empty() && !full()) {
        block.push_back(frames.front());
        frames.pop_front();
        ++m_rowsAfterTrigger;
    }
    write(block);
    if (full())
        m_state = Done;
}

void Trigger::write(const std::deque<InputFrame>& frames) {
    if (frames.empty())
        return;
    std::string text;
    if (m_headerPending) {
        text = m_format.headerLine(m_reason, m_triggerTime) + m_format.columnLine();
        m_headerPending = false;
    }
    for (const InputFrame& frame : frames)
        m_format.appendRow(text, m_calibration.calibrateFrame(frame));
    m_log.append(std::move(text), static_cast<int>(frames.size()));
}
