#include "CaptureTool.h"

#include "BenchPublisher.h"
#include "BoardList.h"
#include "CalibrationData.h"
#include "CaptureDescription.h"
#include "CaptureOptions.h"
#include "CapturePreparation.h"
#include "CaptureRun.h"
#include "CaptureSettings.h"
#include "ExitCode.h"
#include "ProgramVersion.h"
#include "Reporter.h"
#include "ServeCommand.h"
#include "ServedBench.h"
#include "SignalWatcher.h"

#include <QCoreApplication>
#include <QSysInfo>

#include <csignal>
#include <cstdio>
#include <exception>
#include <memory>

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int listBoards() {
    try {
        const QString text = boardListText();
        if (text.isEmpty())
            print(stderr, QStringLiteral("kivratolm-capture: no board found on USB\n"));
        print(stdout, text);
        return ExitCaptured;
    } catch (const std::exception& e) {
        print(stderr, QStringLiteral("kivratolm-capture: cannot list the boards on USB: %1\n").arg(e.what()));
        return ExitBoard;
    }
}

// The bench on the broker, not yet connected; nothing without --mqtt.
std::unique_ptr<BenchPublisher> benchPublisher(const MqttOptions& mqtt, const CaptureOptions& options,
                                               const BrokerPassword& password) {
    if (!mqtt.isOn())
        return nullptr;
    BrokerSettings broker;
    broker.host = mqtt.host;
    broker.port = mqtt.port;
    broker.user = mqtt.user;
    broker.password = password.password;
    broker.caFile = mqtt.caFile;
    const QString host = QSysInfo::machineHostName();
    broker.clientId = mqtt.clientId.isEmpty()
                          ? QStringLiteral("kivratolm-capture-%1-%2").arg(host).arg(QCoreApplication::applicationPid())
                          : mqtt.clientId;
    const QString prefix = mqtt.prefix.isEmpty() ? defaultBenchPrefix(host, options.bus, options.address) : mqtt.prefix;
    return std::make_unique<BenchPublisher>(broker, prefix, mqtt.live, QStringLiteral("kivratolm-capture"),
                                            programVersion());
}

int capture(const CaptureOptions& options) {
    Reporter reporter(options);
    const auto fail = [&](int exitCode, const QString& message) {
        reporter.error(message);
        reporter.done(0, 0, CaptureEnd::Error);
        return exitCode;
    };

    PreparedCapture prepared = prepareCapture(options);
    reporter.setOutput(prepared.output);
    if (!prepared.error.isEmpty())
        return fail(prepared.exitCode, prepared.error);
    CaptureOptions chosen = options;
    chosen.output = prepared.output;
    const BrokerPassword password =
        options.mqtt.user.isEmpty() ? BrokerPassword() : brokerPassword(options.mqtt.passwordFile);
    if (!password.error.isEmpty())
        return fail(ExitUsage, QStringLiteral("cannot read the password file %1 (--mqtt-password-file): %2")
                                   .arg(options.mqtt.passwordFile, password.error));

    const std::unique_ptr<BenchPublisher> publisher = benchPublisher(options.mqtt, options, password);
    SignalWatcher signalWatcher({SIGINT, SIGTERM});
    CaptureRun run(chosen, std::move(prepared.calibration), prepared.calibrationSource, reporter);
    std::unique_ptr<ServedBench> bench;
    if (options.serves())
        bench = std::make_unique<ServedBench>(options, run, *publisher, reporter);
    QObject::connect(&signalWatcher, &SignalWatcher::caught, &run, &CaptureRun::stopBySignal);
    QObject::connect(&run, &CaptureRun::finished, &QCoreApplication::exit);
    if (publisher) {
        if (bench)
            publisher->receiveCommands(mostCommandBytes);
        reporter.setPublisher(publisher.get());
        run.setPublisher(publisher.get());
        publisher->start();
    }
    run.start();
    const int exitCode = QCoreApplication::exec();
    if (publisher) {
        // The last events and the offline status, if the broker takes them soon.
        publisher->finish();
        reporter.setPublisher(nullptr);
    }
    return exitCode;
}

} // namespace

int runCaptureTool(const QStringList& arguments) {
    const CaptureOptionsResult parsed = parseCaptureOptions(arguments);
    if (!parsed.error.isEmpty()) {
        print(stderr, QStringLiteral("kivratolm-capture: %1\n").arg(parsed.error));
        return ExitUsage;
    }
    switch (parsed.options.action) {
    case CaptureOptions::Action::Help:
        print(stdout, captureHelpText());
        return ExitCaptured;
    case CaptureOptions::Action::Version:
        print(stdout, QStringLiteral("kivratolm-capture %1\n").arg(programVersion()));
        return ExitCaptured;
    case CaptureOptions::Action::List:
        return listBoards();
    case CaptureOptions::Action::Capture:
        break;
    }
    return capture(parsed.options);
}
