#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {
namespace {

WriteFunction writeFunction = std::fwrite;

// Opens a new, unused file beside the target. The kernel applies the umask
// to 0666 as for any new file.
int createTemporary(const std::filesystem::path& target, std::string* name) {
    static unsigned counter = 0;
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = (folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                                                 "." + std::to_string(++counter) + ".tmp"))
                                          .string();
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            *name = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Makes the rename itself durable; a folder that cannot be synced changes
// nothing about the file's content.
void syncFolder(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// Removes the temporary file unless the rename took it.
class TemporaryFile {
public:
    ~TemporaryFile() {
        if (!name.empty())
            ::unlink(name.c_str());
    }
    std::string name;
};

} // namespace

Error::Error(const std::string& message, int systemError)
    : xml_error(message)
    , systemReason(std::strerror(systemError)) {}

void setWriteFunction(WriteFunction function) {
    writeFunction = function ? function : std::fwrite;
}

void write(const std::string& path, const std::string& text) {
    const std::string cantOpen = "Can't open file : " + path;
    const std::string cantWrite = "Can't write file : " + path;
    if (path.empty())
        throw Error(cantOpen, ENOENT);
    struct stat existing = {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    // Write protection of an existing file holds as it would for writing in
    // place. Folders, devices and pipes are no files to replace.
    if (exists && S_ISDIR(existing.st_mode))
        throw Error(cantOpen, EISDIR);
    if (exists && !S_ISREG(existing.st_mode))
        throw Error(cantOpen, EINVAL);
    if (exists && ::access(path.c_str(), W_OK) != 0)
        throw Error(cantOpen, errno);
    // A symbolic link stays a link: the file it names is replaced.
    std::filesystem::path target(path);
    if (exists) {
        std::error_code error;
        const std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (!error)
            target = resolved;
    }

    TemporaryFile temporary;
    const int fd = createTemporary(target, &temporary.name);
    if (fd < 0)
        throw Error(cantOpen, errno);
    if (exists)
        ::fchmod(fd, existing.st_mode & 07777);
    std::FILE* file = ::fdopen(fd, "w");
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw Error(cantOpen, error);
    }
    // The first failure names the reason; a short write without one is a
    // full disk as far as the caller can tell.
    int failure = 0;
    const auto note = [&failure](bool ok) {
        if (!ok && failure == 0)
            failure = errno != 0 ? errno : ENOSPC;
    };
    errno = 0;
    note(writeFunction(text.data(), 1, text.size(), file) == text.size());
    note(std::fflush(file) == 0);
    note(::fsync(::fileno(file)) == 0);
    note(std::fclose(file) == 0);
    if (failure != 0)
        throw Error(cantWrite, failure);
    if (std::rename(temporary.name.c_str(), target.c_str()) != 0)
        throw Error(cantWrite, errno);
    temporary.name.clear();
    syncFolder(target);
}

} // namespace AtomicFile
