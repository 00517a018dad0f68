#include "CapturePreparation.h"

#include "CalibrationFileError.h"
#include "CaptureSettings.h"
#include "ExitCode.h"
#include "LogFileChoice.h"
#include "OutputCheck.h"

#include <QDateTime>

namespace {

PreparedCapture failed(PreparedCapture prepared, int exitCode, const QString& message) {
    prepared.exitCode = exitCode;
    prepared.error = message;
    return prepared;
}

} // namespace

PreparedCapture prepareCapture(const CaptureOptions& options) {
    PreparedCapture p;
    if (!options.calibrationFile.isEmpty()) {
        try {
            p.calibrationSource = loadCalibrationFile(p.calibration, options.calibrationFile);
        } catch (const CalibrationFileError& e) {
            // The message as the programs show it, then where to look.
            return failed(std::move(p), ExitCalibration,
                          QStringLiteral("cannot load the calibration file %1: %2 (%3)")
                              .arg(options.calibrationFile, QString::fromLocal8Bit(e.what()),
                                   QString::fromLocal8Bit(locationText(e).c_str())));
        } catch (const std::exception& e) {
            return failed(
                std::move(p), ExitCalibration,
                QStringLiteral("cannot load the calibration file %1: %2").arg(options.calibrationFile, e.what()));
        }
    }
    const QString levelProblem = levelTriggerProblem(options, p.calibration);
    if (!levelProblem.isEmpty())
        return failed(std::move(p), ExitUsage, levelProblem);
    p.output = options.output;
    if (options.output.isEmpty())
        return p; // a served bench between captures
    if (options.toStandardOutput())
        return p;
    const FileNamePattern pattern(options.output);
    if (!pattern.isValid())
        return failed(std::move(p), ExitUsage, QStringLiteral("-o %1: %2").arg(options.output, pattern.error()));
    // The lock is held to the end, taken before the file is looked at: no
    // other capture deletes or writes it meanwhile.
    LogFileChoice choice = chooseLogFile(pattern, QDateTime::currentDateTime());
    p.output = choice.fileName;
    p.lock = std::move(choice.lock);
    if (p.lock.inUse())
        return failed(std::move(p), ExitOutput,
                      QStringLiteral("%1 is in use by another capture; it was left as it is").arg(p.output));
    if (!choice.error.isEmpty())
        return failed(std::move(p), ExitOutput, QStringLiteral("cannot create %1: %2").arg(p.output, choice.error));
    // A new file of a series is this capture's own: nothing to overwrite.
    if (!choice.fresh) {
        CaptureOptions chosen = options;
        chosen.output = p.output;
        const QString output = outputProblem(chosen);
        if (!output.isEmpty())
            return failed(std::move(p), ExitOutput, output);
    }
    if (!p.lock.isHeld())
        return failed(std::move(p), ExitOutput, QStringLiteral("cannot lock %1: %2").arg(p.output, p.lock.error()));
    return p;
}
