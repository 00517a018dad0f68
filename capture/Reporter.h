#pragma once

#include "CaptureOptions.h"
#include "CaptureSession.h"
#include "EventWriter.h"
#include "ProgressLine.h"

#include <cstddef>
#include <cstdint>

class BenchPublisher;

// Everything kivratolm-capture tells its caller besides the log: messages on
// standard error, the events of --events and the progress line.
class Reporter {
public:
    explicit Reporter(const CaptureOptions& options);

    void armed();
    void triggered(const QString& reason, std::uint64_t triggerTime);
    void progress(int rows);
    // How the capture stands, for the progress line (refreshed by itself).
    void status(const QString& text, bool changed);
    void writeError(const QString& file, const QString& message, int rowsWaiting, bool firstReport);
    // Rows are dropped from now on: too much waits in memory.
    void rowsLost(const QString& file, std::size_t limitBytes);
    // The description could not be written; reported once per reason.
    void descriptionError(const QString& file, const QString& message);
    void reconnect(int attempt, int attempts, const QString& message);
    void gap(const CaptureGap& gap);
    // A failure: a message on standard error and an "error" event.
    void error(const QString& message);
    // A message on standard error that is no failure.
    void note(const QString& message);
    void done(int rows, int gaps, CaptureEnd end);
    // The link to the MQTT broker came up or went down: an event, and on
    // standard error when it failed and when it is back after a failure.
    void broker(const QString& broker, bool connected, const QString& message);

    // The log's name once its placeholders are filled in, for "done".
    void setOutput(const QString& file) { output = file; }
    // Every event goes to the broker too (without it: none).
    void setPublisher(BenchPublisher* publisher) { this->publisher = publisher; }
    // The id of the command that started the capture, in the broker's copy
    // of its events, and the log it writes, for "done".
    void setCommand(const QJsonValue& id, const QString& file) {
        command = id;
        output = file;
    }

private:
    void event(const CaptureEvent& event);
    void printLine(const QString& message);

    EventWriter events;
    ProgressLine progressLine;
    QString output;
    bool statusShown = false;
    BenchPublisher* publisher = nullptr;
    bool brokerFailed = false;
    QJsonValue command = QJsonValue::Null;
};
