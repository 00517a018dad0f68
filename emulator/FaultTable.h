// Injected failures of the C functions.
#pragma once

#include "Fault.h"

#include <optional>
#include <string>
#include <vector>

namespace KivraTolmEmulator {

class FaultTable {
public:
    // Throws std::invalid_argument for a function that cannot fail this way.
    void add(const Fault& fault);
    void clear() { entries.clear(); }

    // Counts one call of `function`; the fault it triggers, if any. Every
    // fault of the function counts the call, the first one due fires.
    std::optional<Fault> onCall(const std::string& function);

    // Names (without "KivraTolm") of the functions a fault may target.
    static bool isFaultable(const std::string& function);

private:
    struct Entry {
        Fault fault;
        int calls = 0;
        int fired = 0;
    };
    std::vector<Entry> entries;
};

} // namespace KivraTolmEmulator
