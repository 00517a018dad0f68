#pragma once

#include <optional>

// Resident memory and CPU time of this process, read from the kernel.
struct ProcessUsage {
    long residentKiB = 0;     // VmRSS
    long peakResidentKiB = 0; // VmHWM
    double cpuSeconds = 0;    // user + system, every thread

    static ProcessUsage current();
    // User + system time of another running process, every thread, from
    // /proc/PID/stat; nothing once it has gone.
    static std::optional<double> cpuSecondsOf(long long pid);
};
