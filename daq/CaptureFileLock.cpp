#include "CaptureFileLock.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A link may lead to a link; the kernel gives up after as many.
constexpr int maxLinks = 40;

void splitPath(const std::string& path, std::string& folder, std::string& name) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
        return;
    }
    folder = slash == 0 ? "/" : path.substr(0, slash);
    name = path.substr(slash + 1);
}

// The place of a name among the folder's locks: FNV-1a, kept well inside
// the range of a file offset.
off_t placeOf(const std::string& name) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : name) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return static_cast<off_t>(hash & 0x3FFFFFFFFFFFFFFFull);
}

struct flock recordAt(off_t place, short type) {
    struct flock record {};
    record.l_type = type;
    record.l_whence = SEEK_SET;
    record.l_start = place;
    record.l_len = 1;
    return record;
}

int flockRetrying(int fd, int operation) {
    int result = 0;
    do
        result = ::flock(fd, operation);
    while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

CaptureFileLock::~CaptureFileLock() {
    if (folderFd >= 0)
        ::close(folderFd);
}

CaptureFileLock::CaptureFileLock(CaptureFileLock&& other) noexcept
    : folderFd(std::exchange(other.folderFd, -1))
    , heldElsewhere(other.heldElsewhere)
    , errorMessage(std::move(other.errorMessage)) {}

CaptureFileLock& CaptureFileLock::operator=(CaptureFileLock&& other) noexcept {
    if (this != &other) {
        if (folderFd >= 0)
            ::close(folderFd);
        folderFd = std::exchange(other.folderFd, -1);
        heldElsewhere = other.heldElsewhere;
        errorMessage = std::move(other.errorMessage);
    }
    return *this;
}

CaptureFileLock CaptureFileLock::take(const QString& logFile) {
    CaptureFileLock lock;
    std::string folder;
    std::string name;
    splitPath(QFile::encodeName(logFile).toStdString(), folder, name);
    // Opened by the kernel, which follows the folder's links itself.
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        lock.errorMessage = QString::fromLocal8Bit(std::strerror(errno));
        return lock;
    }
    for (int links = 0; links < maxLinks; ++links) {
        char target[PATH_MAX];
        const ssize_t length = ::readlinkat(fd, name.c_str(), target, sizeof target - 1);
        if (length <= 0)
            break; // not a link, or nothing there yet
        std::string targetFolder;
        splitPath(std::string(target, static_cast<std::size_t>(length)), targetFolder, name);
        const int next = ::openat(fd, targetFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (next < 0)
            break; // a link into nowhere: its own place is as good as any
        ::close(fd);
        fd = next;
    }

    // The whole folder is locked only for the moment of looking and taking,
    // so that two captures cannot both find the place free.
    const off_t place = placeOf(name);
    flockRetrying(fd, LOCK_EX);
    struct flock probe = recordAt(place, F_WRLCK);
    const bool looked = ::fcntl(fd, F_OFD_GETLK, &probe) == 0;
    struct flock mine = recordAt(place, F_RDLCK);
    const bool taken = looked && probe.l_type == F_UNLCK && ::fcntl(fd, F_OFD_SETLK, &mine) == 0;
    const int error = errno;
    flockRetrying(fd, LOCK_UN);
    if (taken) {
        lock.folderFd = fd;
        return lock;
    }
    ::close(fd);
    if (looked && probe.l_type != F_UNLCK)
        lock.heldElsewhere = true;
    else
        lock.errorMessage = QString::fromLocal8Bit(std::strerror(error));
    return lock;
}
