#include "ProcessUsage.h"

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
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

std::optional<double> ProcessUsage::cpuSecondsOf(long long pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(file, text))
        return std::nullopt;
    // Fields after the command name, which may hold blanks: state is field 3,
    // utime field 14, stime field 15.
    const std::string::size_type close = text.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number) {
        if (number == 14)
            utime = std::stoull(field);
        if (number == 15)
            stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}
