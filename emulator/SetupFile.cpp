#include "SetupFile.h"

#include "BoardConfigCheck.h"
#include "FaultTable.h"

#include <boost/property_tree/ini_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <charconv>
#include <cstdio>
#include <limits>
#include <map>
#include <stdexcept>

namespace KivraTolmEmulator {

namespace {

using boost::property_tree::ptree;

// A problem with one entry; readSetupFile adds the file name.
struct SetupError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A comment may follow a value, as INI readers commonly allow: ";" or "#"
// after a blank or a tab. Elsewhere they belong to the value ("Board#2").
std::string withoutComment(const std::string& value) {
    for (std::size_t at = 1; at < value.size(); ++at) {
        const bool marker = value[at] == ';' || value[at] == '#';
        if (marker && (value[at - 1] == ' ' || value[at - 1] == '\t'))
            return trimmed(value.substr(0, at));
    }
    return value;
}

void dropComments(ptree& tree) {
    for (auto& [name, section] : tree) {
        section.data() = withoutComment(section.data());
        for (auto& [key, value] : section)
            value.data() = withoutComment(value.data());
    }
}

// Whole numbers in decimal or with 0x in hex, optionally signed.
long long parseInteger(const std::string& where, const std::string& raw, long long min, long long max) {
    const std::string text = trimmed(raw);
    std::size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    int base = 10;
    if (text.compare(at, 2, "0x") == 0 || text.compare(at, 2, "0X") == 0) {
        base = 16;
        at += 2;
    }
    unsigned long long magnitude = 0;
    const char* begin = text.data() + at;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(begin, end, magnitude, base);
    if (begin == end || error != std::errc() || stop != end)
        throw SetupError(where + ": \"" + raw + "\" is not a whole number");
    const auto limit = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
    if (magnitude > limit)
        throw SetupError(where + ": " + text + " is out of range " + std::to_string(min) + ".." + std::to_string(max));
    const long long value = negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude);
    if (value < min || value > max)
        throw SetupError(where + ": " + text + " is out of range " + std::to_string(min) + ".." + std::to_string(max));
    return value;
}

int parseInt(const std::string& where, const std::string& text) {
    return static_cast<int>(
        parseInteger(where, text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

std::uint32_t parseWord(const std::string& where, const std::string& text) {
    return static_cast<std::uint32_t>(parseInteger(where, text, 0, std::numeric_limits<std::uint32_t>::max()));
}

// Locale-independent, so a program that set a German locale reads "1.25" too.
double parseNumber(const std::string& where, const std::string& raw) {
    const std::string text = trimmed(raw);
    double value = 0;
    const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || stop != text.data() + text.size())
        throw SetupError(where + ": \"" + raw + "\" is not a number");
    return value;
}

Pattern parsePattern(const std::string& where, const std::string& raw) {
    static const std::map<std::string, Pattern> patterns = {{"drift", Pattern::Drift},
                                                            {"walking-one", Pattern::WalkingOne},
                                                            {"ramp", Pattern::Ramp},
                                                            {"constant", Pattern::Constant},
                                                            {"random", Pattern::Random}};
    const auto found = patterns.find(trimmed(raw));
    if (found == patterns.end())
        throw SetupError(where + ": unknown pattern \"" + raw +
                         "\" (known: drift, walking-one, ramp, constant, random)");
    return found->second;
}

std::vector<int> parsePortLines(const std::string& where, const std::string& raw) {
    std::vector<int> lines;
    const std::string text = trimmed(raw);
    if (text.empty())
        return lines;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        lines.push_back(parseInt(where, text.substr(start, comma - start)));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return lines;
}

// "board12" -> 12 for prefix "board"; -1 when the name is not of that form.
int sectionIndex(const std::string& name, const std::string& prefix, const std::string& suffix = {}) {
    if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return -1;
    const std::string digits = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    int index = 0;
    const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (error != std::errc() || stop != digits.data() + digits.size() || index < 0 || index > 99)
        return -1;
    return index;
}

void readBoard(const std::string& section, const ptree& keys, BoardConfig& board) {
    for (const auto& [key, value] : keys) {
        const std::string where = "[" + section + "] " + key;
        const std::string& text = value.data();
        if (key == "type")
            board.typeId = parseWord(where, text);
        else if (key == "identifier")
            board.identifier = trimmed(text);
        else if (key == "details")
            board.details = trimmed(text);
        else if (key == "analog")
            board.analogInputs = parseInt(where, text);
        else if (key == "sensors")
            board.sensorInputs = parseInt(where, text);
        else if (key == "ports")
            board.digitalPortLines = parsePortLines(where, text);
        else if (key == "counters")
            board.counters = parseInt(where, text);
        else if (key == "triggers")
            board.triggers = parseInt(where, text);
        else if (key == "framesPerRead")
            board.framesPerRead = parseInt(where, text);
        else if (key == "buffer")
            board.bufferFrames = parseInt(where, text);
        else if (key == "pattern")
            board.pattern = parsePattern(where, text);
        else if (key == "seed")
            board.seed = parseWord(where, text);
        else if (key == "constant")
            board.constantValue = static_cast<float>(parseNumber(where, text));
        else if (key == "pulsePeriodMs")
            board.counterPulsePeriodMs = parseNumber(where, text);
        else
            throw SetupError(where + ": unknown key");
    }
}

void readNames(const std::string& section, const ptree& keys, BoardConfig& board) {
    for (const auto& [key, value] : keys)
        board.names[parseWord("[" + section + "] " + key, key)] = trimmed(value.data());
}

Fault readFault(const std::string& section, const ptree& keys) {
    Fault fault;
    bool named = false;
    for (const auto& [key, value] : keys) {
        const std::string where = "[" + section + "] " + key;
        const std::string& text = value.data();
        if (key == "function") {
            fault.function = trimmed(text);
            named = true;
        } else if (key == "status") {
            fault.status = parseInt(where, text);
        } else if (key == "message") {
            fault.message = trimmed(text);
        } else if (key == "after") {
            fault.afterCalls = parseInt(where, text);
        } else if (key == "times") {
            fault.times = parseInt(where, text);
        } else {
            throw SetupError(where + ": unknown key");
        }
    }
    if (!named)
        throw SetupError("[" + section + "]: the key function is missing");
    if (!FaultTable::isFaultable(fault.function))
        throw SetupError("[" + section + "] function: no function \"" + fault.function + "\" can fail");
    if (fault.status == 0)
        throw SetupError("[" + section + "] status: a fault needs a non-zero status");
    if (fault.afterCalls < 0)
        throw SetupError("[" + section + "] after: must be >= 0");
    return fault;
}

EmulatorSetup readSetup(const ptree& tree) {
    int boardCount = -1;
    std::map<int, const ptree*> boardSections;
    std::map<int, const ptree*> nameSections;
    std::map<int, std::pair<std::string, const ptree*>> faultSections;
    for (const auto& [name, section] : tree) {
        if (section.empty() && !section.data().empty())
            throw SetupError(name + ": a key outside every section (keys follow a [section] line)");
        int index = -1;
        if (name == "emulator") {
            for (const auto& [key, value] : section) {
                if (key != "boards")
                    throw SetupError("[emulator] " + key + ": unknown key");
                boardCount = parseInt("[emulator] boards", value.data());
                if (boardCount < 0 || boardCount > 100)
                    throw SetupError("[emulator] boards: must be 0..100, not " + std::to_string(boardCount));
            }
        } else if ((index = sectionIndex(name, "board", ".names")) >= 0) {
            nameSections[index] = &section;
        } else if ((index = sectionIndex(name, "board")) >= 0) {
            boardSections[index] = &section;
        } else if ((index = sectionIndex(name, "fault")) >= 0) {
            faultSections[index] = {name, &section};
        } else {
            throw SetupError("[" + name + "]: unknown section (known: emulator, boardN, boardN.names, faultN)");
        }
    }
    const int highest = std::max(boardSections.empty() ? -1 : boardSections.rbegin()->first,
                                 nameSections.empty() ? -1 : nameSections.rbegin()->first);
    if (boardCount < 0)
        boardCount = highest >= 0 ? highest + 1 : 1;
    else if (highest >= boardCount)
        throw SetupError("[board" + std::to_string(highest) + "]: there are only " + std::to_string(boardCount) +
                         " boards ([emulator] boards)");

    EmulatorSetup setup;
    for (int i = 0; i < boardCount; ++i) {
        BoardConfig board;
        board.identifier = defaultIdentifier(static_cast<std::size_t>(i));
        const std::string section = "board" + std::to_string(i);
        if (boardSections.count(i))
            readBoard(section, *boardSections[i], board);
        if (nameSections.count(i))
            readNames(section + ".names", *nameSections[i], board);
        setup.boards.push_back(board);
    }
    for (const auto& [index, section] : faultSections)
        setup.faults.push_back(readFault(section.first, *section.second));
    const std::string problem = boardsProblem(setup.boards);
    if (!problem.empty())
        throw SetupError(problem);
    return setup;
}

} // namespace

std::string defaultIdentifier(std::size_t index) {
    char text[32];
    std::snprintf(text, sizeof text, "KT-EMU-%04zu", index + 1);
    return text;
}

EmulatorSetup defaultSetup() {
    return EmulatorSetup{{BoardConfig{}}, {}};
}

EmulatorSetup readSetupFile(const std::string& path) {
    const std::string prefix = "Emulator configuration file \"" + path + "\" (KIVRATOLM_EMULATOR): ";
    ptree tree;
    try {
        boost::property_tree::ini_parser::read_ini(path, tree);
        dropComments(tree);
    } catch (const boost::property_tree::ini_parser_error& error) {
        const std::string line = error.line() > 0 ? "line " + std::to_string(error.line()) + ": " : "";
        throw std::runtime_error(prefix + line + error.message());
    }
    try {
        return readSetup(tree);
    } catch (const SetupError& error) {
        throw std::runtime_error(prefix + error.what());
    }
}

} // namespace KivraTolmEmulator
