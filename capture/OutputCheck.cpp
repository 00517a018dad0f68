#include "OutputCheck.h"

#include "CaptureDescription.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

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
    if (info.exists() || info.isSymLink()) {
        if (!options.overwrite)
            return QStringLiteral("%1 exists: give --overwrite to replace it, or another file with -o").arg(path);
        // Replaced by deleting it and writing anew, which needs the folder.
        const QByteArray folder = QFile::encodeName(info.absolutePath());
        if (::access(folder.constData(), W_OK) != 0)
            return QStringLiteral("cannot replace %1: %2").arg(path, systemError(errno));
        return {};
    }
    // Created once to see that it can be, then removed: the capture creates
    // it with its first rows.
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return QStringLiteral("cannot create %1: %2").arg(path, systemError(errno));
    ::close(fd);
    ::unlink(name.constData());
    return {};
}
