#include "BoardConfigCheck.h"

#include "Hex.h"
#include "PeripheralIds.h"

#include <cmath>
#include <set>

namespace KivraTolmEmulator {

namespace {

constexpr int maxPortLines = 32;
constexpr int maxFramesPerRead = 1000000;
constexpr int maxBufferFrames = 10000000;

std::string countProblem(const char* what, int count) {
    if (count < 0 || count > static_cast<int>(idBlockSize))
        return std::string(what) + " must be 0.." + std::to_string(idBlockSize) + ", not " + std::to_string(count);
    return {};
}

} // namespace

std::string boardConfigProblem(const BoardConfig& config) {
    if (config.identifier.empty())
        return "the identifier is empty";
    for (const auto& [what, count] : {std::pair<const char*, int>{"analog inputs", config.analogInputs},
                                      {"sensor inputs", config.sensorInputs},
                                      {"digital ports", static_cast<int>(config.digitalPortLines.size())},
                                      {"counters", config.counters},
                                      {"triggers", config.triggers}}) {
        const std::string problem = countProblem(what, count);
        if (!problem.empty())
            return problem;
    }
    for (int lines : config.digitalPortLines) {
        if (lines < 0 || lines > maxPortLines)
            return "a digital port has 0.." + std::to_string(maxPortLines) + " lines, not " + std::to_string(lines);
    }
    if (config.framesPerRead < 1 || config.framesPerRead > maxFramesPerRead)
        return "framesPerRead must be 1.." + std::to_string(maxFramesPerRead) + ", not " +
               std::to_string(config.framesPerRead);
    if (config.bufferFrames < 1 || config.bufferFrames > maxBufferFrames)
        return "the frame buffer must hold 1.." + std::to_string(maxBufferFrames) + " frames, not " +
               std::to_string(config.bufferFrames);
    if (!std::isfinite(config.constantValue))
        return "the constant value is not a finite number";
    if (!std::isfinite(config.counterPulsePeriodMs) || config.counterPulsePeriodMs < 0)
        return "the pulse period must be a number >= 0 ms";
    for (const auto& [id, name] : config.names) {
        if (!findPeripheral(config, id))
            return "a name is given for " + hex(id) + ", which is no peripheral of the board";
    }
    return {};
}

std::string boardsProblem(const std::vector<BoardConfig>& boards) {
    std::set<std::string> identifiers;
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const std::string problem = boardConfigProblem(boards[i]);
        if (!problem.empty())
            return "board " + std::to_string(i) + ": " + problem;
        if (!identifiers.insert(boards[i].identifier).second)
            return "board " + std::to_string(i) + ": the identifier " + boards[i].identifier + " is used twice";
    }
    return {};
}

} // namespace KivraTolmEmulator
