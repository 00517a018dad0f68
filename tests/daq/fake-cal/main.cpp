// Stands in for the CAL program when the DAQ program starts it: saves
// handoverCalibration() into the file named by cfg= and ends as the
// environment says.
//
//   FAKE_CAL_RECORD  file that receives the arguments, one per line
//   FAKE_CAL_END     an exit code (default 0), "crash" or "wait" (runs until
//                    killed, at most a minute)
#include "HandoverCalibration.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>

#include <sys/resource.h>

int main(int argc, char* argv[]) {
    const char* record = std::getenv("FAKE_CAL_RECORD");
    const std::string end = std::getenv("FAKE_CAL_END") ? std::getenv("FAKE_CAL_END") : "";

    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "cfg=", 4) != 0 || argv[i][4] == '\0')
            continue;
        try {
            handoverCalibration().save(argv[i] + 4);
        } catch (const std::exception& e) {
            std::cerr << "fake_cal: " << e.what() << '\n';
            return 100;
        }
    }
    // Written last: a test that sees the record knows the file is saved.
    if (record) {
        std::ofstream out(record);
        for (int i = 1; i < argc; ++i)
            out << argv[i] << '\n';
    }

    if (end == "crash") {
        const rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        std::abort();
    }
    if (end == "wait") {
        // Bounded, so that a failed test leaves nothing behind for long.
        std::this_thread::sleep_for(std::chrono::minutes(1));
        return 0;
    }
    return end.empty() ? 0 : std::atoi(end.c_str());
}
