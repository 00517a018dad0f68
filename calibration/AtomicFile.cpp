#include "AtomicFile.h"

#include "CalibrationFileError.h"
#include "xml_error.h"

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

void setWriteFunction(WriteFunction function) {
    writeFunction = function ? function : std::fwrite;
}

void write(const std::string& path, const std::string& text) {
    const auto cantOpen = [&path](const std::string& reason) {
        return xml_error("Can't open file : " + path, reason);
    };
    const auto cantWrite = [&path](int error) {
        return xml_error("Can't write file : " + path, error != 0 ? std::strerror(error) : std::string());
    };
    if (path.empty())
        throw cantOpen(std::strerror(ENOENT));
    struct stat existing = {};
    const bool exists = ::stat(path.c_str(), &existing) == 0;
    // Write protection of an existing file holds as it would for writing in
    // place. Folders, devices and pipes are no files to replace.
    if (exists && S_ISDIR(existing.st_mode))
        throw cantOpen(std::strerror(EISDIR));
    if (exists && !S_ISREG(existing.st_mode))
        throw cantOpen(CalibrationFileError::notRegularFile);
    if (exists && ::access(path.c_str(), W_OK) != 0)
        throw cantOpen(std::strerror(errno));
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
        throw cantOpen(std::strerror(errno));
    if (exists)
        ::fchmod(fd, existing.st_mode & 07777);
    std::FILE* file = ::fdopen(fd, "w");
    if (!file) {
        const int error = errno;
        ::close(fd);
        throw cantOpen(std::strerror(error));
    }
    errno = 0;
    bool written = writeFunction(text.data(), 1, text.size(), file) == text.size();
    written = std::fflush(file) == 0 && written;
    written = ::fsync(::fileno(file)) == 0 && written;
    // The first failure's reason: later calls may set errno again.
    const int writeError = errno;
    written = std::fclose(file) == 0 && written;
    if (!written)
        throw cantWrite(writeError != 0 ? writeError : errno);
    if (std::rename(temporary.name.c_str(), target.c_str()) != 0)
        throw cantWrite(errno);
    temporary.name.clear();
    syncFolder(target);
}

} // namespace AtomicFile
