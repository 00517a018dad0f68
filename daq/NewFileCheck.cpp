#include "NewFileCheck.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString newFileProblem(const QString& path) {
    const QFileInfo info(path);
    const std::string folder = QFile::encodeName(info.absolutePath()).toStdString();
    // A file without a name vanishes with its descriptor, even after a crash.
    int fd = ::open(folder.c_str(), O_WRONLY | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return {};
    }
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)
        return systemError(errno);
    // A file system without such files: a named one, removed at once.
    const std::string probe =
        folder + "/." + QFile::encodeName(info.fileName()).toStdString() + "." + std::to_string(::getpid()) + ".probe";
    fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return systemError(errno);
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}
