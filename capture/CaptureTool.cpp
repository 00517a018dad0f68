#include "CaptureTool.h"

#include "BenchPublisher.h"
#include "BoardList.h"
#include "CalibrationData.h"
#include "CalibrationFileError.h"
#include "CaptureDescription.h"
#include "CaptureFileLock.h"
#include "CaptureOptions.h"
#include "CaptureRun.h"
#include "CaptureSettings.h"
#include "ExitCode.h"
#include "OutputCheck.h"
#include "ProgramVersion.h"
#include "Reporter.h"
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

    CalibrationData calibration;
    CalibrationSource calibrationSource;
    if (!options.calibrationFile.isEmpty()) {
        try {
            calibrationSource = loadCalibrationFile(calibration, options.calibrationFile);
        } catch (const CalibrationFileError& e) {
            // The message as the programs show it, then where to look.
            return fail(ExitCalibration, QStringLiteral("cannot load the calibration file %1: %2 (%3)")
                                             .arg(options.calibrationFile, QString::fromLocal8Bit(e.what()),
                                                  QString::fromLocal8Bit(locationText(e).c_str())));
        } catch (const std::exception& e) {
            return fail(
                ExitCalibration,
                QStringLiteral("cannot load the calibration file %1: %2").arg(options.calibrationFile, e.what()));
        }
    }
    const QString levelProblem = levelTriggerProblem(options, calibration);
    if (!levelProblem.isEmpty())
        return fail(ExitUsage, levelProblem);
    // Held to the end, taken before the file is looked at: no other capture
    // deletes or writes it meanwhile.
    CaptureFileLock lock;
    if (!options.toStandardOutput()) {
        lock = CaptureFileLock::take(options.output);
        if (lock.inUse())
            return fail(ExitOutput,
                        QStringLiteral("%1 is in use by another capture; it was left as it is").arg(options.output));
    }
    const QString output = outputProblem(options);
    if (!output.isEmpty())
        return fail(ExitOutput, output);
    if (!options.toStandardOutput() && !lock.isHeld())
        return fail(ExitOutput, QStringLiteral("cannot lock %1: %2").arg(options.output, lock.error()));
    const BrokerPassword password =
        options.mqtt.user.isEmpty() ? BrokerPassword() : brokerPassword(options.mqtt.passwordFile);
    if (!password.error.isEmpty())
        return fail(ExitUsage, QStringLiteral("cannot read the password file %1 (--mqtt-password-file): %2")
                                   .arg(options.mqtt.passwordFile, password.error));

    const std::unique_ptr<BenchPublisher> publisher = benchPublisher(options.mqtt, options, password);
    SignalWatcher signalWatcher({SIGINT, SIGTERM});
    CaptureRun run(options, std::move(calibration), calibrationSource, reporter);
    QObject::connect(&signalWatcher, &SignalWatcher::caught, &run, &CaptureRun::stopBySignal);
    QObject::connect(&run, &CaptureRun::finished, &QCoreApplication::exit);
    if (publisher) {
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
