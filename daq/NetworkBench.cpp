#include "NetworkBench.h"

#include "CaptureEvents.h"
#include "CaptureSession.h"
#include "ProgramVersion.h"

#include <QDateTime>
#include <QSysInfo>

namespace {

constexpr qint64 progressEveryMs = 1000;
// A clean close says offline; the Last Will covers the rest.
constexpr int finishTimeoutMs = 500;

const QString programName = QStringLiteral("kivratolm-daq-lite-x86");

} // namespace

NetworkBench::NetworkBench(const NetworkSettings& settings, const QString& bus, const QString& address)
    : broker(QStringLiteral("%1:%2").arg(settings.host).arg(settings.port)) {
    const BrokerPassword password = brokerPassword(settings.passwordFile);
    if (!password.error.isEmpty()) {
        link = tr("Broker %1: cannot read the password file %2: %3").arg(broker, settings.passwordFile, password.error);
        return;
    }
    BrokerSettings brokerSettings;
    brokerSettings.host = settings.host;
    brokerSettings.port = settings.port;
    brokerSettings.user = settings.user;
    brokerSettings.password = password.password;
    brokerSettings.caFile = settings.caFile;
    brokerSettings.clientId = QStringLiteral("%1-%2-%3")
                                  .arg(programName, QSysInfo::machineHostName())
                                  .arg(QCoreApplication::applicationPid());
    const QString prefix = settings.prefix.isEmpty() ? defaultPrefix(bus, address) : settings.prefix;
    publisher = std::make_unique<BenchPublisher>(brokerSettings, prefix, settings.live, programName, programVersion());
    publisher->start();
    link = tr("Broker %1: connecting").arg(broker);
}

NetworkBench::~NetworkBench() = default;

QString NetworkBench::defaultPrefix(const QString& bus, const QString& address) {
    return defaultBenchPrefix(QSysInfo::machineHostName(), bus, address);
}

void NetworkBench::frames(const std::deque<KivraTolm::InputFrame>& raw, const CalibrationData& calibration) {
    if (publisher)
        publisher->frames(raw, calibration);
}

void NetworkBench::event(const CaptureEvent& event) {
    if (publisher)
        publisher->event(event.publishedLine(QDateTime::currentMSecsSinceEpoch()),
                         event.name == QLatin1String("progress"));
}

void NetworkBench::armed() {
    triggerSent = false;
    gapsSent = 0;
    writeErrorSent.clear();
    descriptionErrorSent.clear();
    descriptionsSent = 0;
    event(CaptureEvent::armed());
}

void NetworkBench::captureFed(const CaptureSession& session) {
    if (!triggerSent && session.hasTriggered()) {
        triggerSent = true;
        sinceProgress.start();
        event(CaptureEvent::triggered(session.reason(), session.triggerTime()));
    }
    if (triggerSent && sinceProgress.elapsed() >= progressEveryMs) {
        sinceProgress.start();
        event(CaptureEvent::progress(session.rowsWritten()));
    }
    for (; gapsSent < session.gaps().size(); ++gapsSent)
        event(CaptureEvent::gap(session.gaps()[gapsSent]));
    if (session.rowsPending() == 0) {
        writeErrorSent.clear();
    } else if (session.writeError() != writeErrorSent || sinceWriteError.elapsed() >= progressEveryMs) {
        writeErrorSent = session.writeError();
        sinceWriteError.start();
        event(CaptureEvent::writeError(writeErrorSent, session.rowsPending()));
    }
    const QString descriptionError = session.descriptionError();
    if (!descriptionError.isEmpty() && descriptionError != descriptionErrorSent)
        event(CaptureEvent::descriptionError(descriptionFileName(session.fileName()), descriptionError));
    descriptionErrorSent = descriptionError;
    if (publisher && session.descriptionsWritten() != descriptionsSent) {
        descriptionsSent = session.descriptionsWritten();
        publisher->description(session.description());
    }
}

void NetworkBench::captureDone(const CaptureSession& session, const CaptureOutcome& outcome) {
    captureFed(session);
    event(CaptureEvent::done(outcome.rowsWritten, session.gapCount(), outcome.fileName, outcome.end));
}

void NetworkBench::tick(const BenchStatus& status) {
    if (!publisher)
        return;
    publisher->status(status);
    for (const BrokerNews& news : publisher->takeNews())
        link = news.connected ? tr("Broker %1: connected").arg(broker) : tr("Broker %1: %2").arg(broker, news.message);
    publisher->tick();
}

void NetworkBench::finish() {
    if (publisher)
        publisher->finish(finishTimeoutMs);
    publisher.reset();
}
