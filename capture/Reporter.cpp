#include "Reporter.h"

#include "BenchPublisher.h"

#include <QDateTime>
#include <QJsonObject>

#include <unistd.h>

namespace {

int eventDescriptor(const CaptureOptions& options) {
    if (!options.events)
        return -1;
    // The log owns standard output when it goes there.
    return options.toStandardOutput() ? STDERR_FILENO : STDOUT_FILENO;
}

} // namespace

Reporter::Reporter(const CaptureOptions& options)
    : events(eventDescriptor(options))
    , progressLine(!options.events && !options.quiet && ::isatty(STDERR_FILENO))
    , output(options.output) {}

void Reporter::armed() {
    event(CaptureEvent::armed());
    status(QStringLiteral("Armed, waiting for the trigger"), true);
}

void Reporter::triggered(const QString& reason, std::uint64_t triggerTime) {
    event(CaptureEvent::triggered(reason, triggerTime));
    status(QStringLiteral("Triggered: %1").arg(reason), true);
}

void Reporter::progress(int rows) {
    event(CaptureEvent::progress(rows));
}

void Reporter::status(const QString& text, bool changed) {
    progressLine.show(text, changed);
    statusShown = true;
}

void Reporter::writeError(const QString& file, const QString& message, int rowsWaiting, bool firstReport) {
    event(CaptureEvent::writeError(message, rowsWaiting));
    if (firstReport)
        printLine(QStringLiteral("cannot write %1: %2; the rows wait in memory and are written as soon as it works "
                                 "again")
                      .arg(file, message));
}

void Reporter::rowsLost(const QString& file, std::size_t limitBytes) {
    printLine(QStringLiteral("more than %1 MB of rows for %2 wait in memory; further rows are dropped until it can be "
                             "written again")
                  .arg(limitBytes >> 20)
                  .arg(file));
}

void Reporter::descriptionError(const QString& file, const QString& message) {
    event(CaptureEvent::descriptionError(file, message));
    printLine(QStringLiteral("cannot write the description %1: %2; the capture and its log go on").arg(file, message));
}

void Reporter::reconnect(int attempt, int attempts, const QString& message) {
    event({QStringLiteral("reconnect"), {{QStringLiteral("attempt"), attempt}, {QStringLiteral("message"), message}}});
    printLine(QStringLiteral("board error: %1; starting again in 1 s (attempt %2 of %3)")
                  .arg(message)
                  .arg(attempt)
                  .arg(attempts));
}

void Reporter::gap(const CaptureGap& gap) {
    event(CaptureEvent::gap(gap));
}

void Reporter::error(const QString& message) {
    event(CaptureEvent::error(message));
    printLine(message);
}

void Reporter::note(const QString& message) {
    printLine(message);
}

void Reporter::done(int rows, int gaps, CaptureEnd end) {
    // The line ends on the outcome, unless there was no line (a failure at
    // the start).
    if (statusShown)
        progressLine.show(QStringLiteral("Done: %1 rows (%2)").arg(rows).arg(captureEndName(end)), true);
    progressLine.finish();
    event(CaptureEvent::done(rows, gaps, output, end));
}

void Reporter::broker(const QString& broker, bool connected, const QString& message) {
    event({QStringLiteral("broker"), {{QStringLiteral("connected"), connected}, {QStringLiteral("message"), message}}});
    if (!connected)
        printLine(QStringLiteral("MQTT broker %1: %2; the capture goes on and publishing resumes when the broker is "
                                 "back")
                      .arg(broker, message));
    else if (brokerFailed)
        printLine(QStringLiteral("MQTT broker %1: connected again").arg(broker));
    brokerFailed = !connected;
}

void Reporter::event(const CaptureEvent& event) {
    const qint64 time = QDateTime::currentMSecsSinceEpoch();
    if (publisher)
        publisher->event(event.publishedLine(time, command), event.name == QLatin1String("progress"));
    events.write(event, time);
}

void Reporter::printLine(const QString& message) {
    progressLine.clear();
    const QByteArray text = "kivratolm-capture: " + message.toLocal8Bit() + '\n';
    [[maybe_unused]] const ssize_t n = ::write(STDERR_FILENO, text.constData(), static_cast<std::size_t>(text.size()));
}
