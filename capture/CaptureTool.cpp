#include "CaptureTool.h"

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

#include <csignal>
#include <cstdio>
#include <exception>

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

    SignalWatcher signalWatcher({SIGINT, SIGTERM});
    CaptureRun run(options, std::move(calibration), calibrationSource, reporter);
    QObject::connect(&signalWatcher, &SignalWatcher::caught, &run, &CaptureRun::stopBySignal);
    QObject::connect(&run, &CaptureRun::finished, &QCoreApplication::exit);
    run.start();
    return QCoreApplication::exec();
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
