#include "ProcessUsage.h"

#include <sys/resource.h>

#include <fstream>
#include <string>

namespace {

long statusKiB(const std::string& text, const char* key) {
    const std::string::size_type at = text.find(key);
    return at == std::string::npos ? 0 : std::stol(text.substr(at + std::char_traits<char>::length(key)));
}

double seconds(const timeval& time) {
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
}

} // namespace

ProcessUsage ProcessUsage::current() {
    std::ifstream file("/proc/self/status");
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ProcessUsage usage;
    usage.residentKiB = statusKiB(text, "VmRSS:");
    usage.peakResidentKiB = statusKiB(text, "VmHWM:");
    rusage self = {};
    if (getrusage(RUSAGE_SELF, &self) == 0)
        usage.cpuSeconds = seconds(self.ru_utime) + seconds(self.ru_stime);
    return usage;
}
