#include "OutputCheck.h"

#include "CaptureDescription.h"
#include "NewFileCheck.h"

#include <QFileInfo>

QString outputProblem(const CaptureOptions& options) {
    if (options.toStandardOutput())
        return {};
    const QString& path = options.output;
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("%1 is a folder: give a file name with -o").arg(path);
    // The description beside the log goes with it.
    const QString description = descriptionFileName(path);
    if (!options.overwrite && (QFileInfo::exists(description) || QFileInfo(description).isSymLink()))
        return QStringLiteral("%1 exists: give --overwrite to replace it and %2, or another file with -o")
            .arg(description, path);
    if (!options.overwrite && (info.exists() || info.isSymLink()))
        return QStringLiteral("%1 exists: give --overwrite to replace it, or another file with -o").arg(path);
    // An old file is deleted and the log written anew: either way the folder
    // must take a new file.
    const QString problem = newFileProblem(path);
    if (!problem.isEmpty())
        return (info.exists() || info.isSymLink() ? QStringLiteral("cannot replace %1: %2")
                                                  : QStringLiteral("cannot create %1: %2"))
            .arg(path, problem);
    return {};
}
