// libFuzzer target over the calibration file reader.
//
// Checks beyond "no crash": the nesting guard never counts less than TinyXML
// nests; a failed load leaves the object as it was and throws one of the
// reader's messages; whatever loads can be saved, and the saved file loads
// back and saves to the same text.

#include "CalibrationData.h"
#include "TinyXmlDepth.h"
#include "xelement.h"

#include <tinyxml.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

const std::string& scratchPath(const char* kind) {
    static std::string paths[2];
    std::string& path = paths[kind[0] == 'i' ? 0 : 1];
    if (path.empty())
        path = "/dev/shm/kivra-fuzz-" + std::to_string(::getpid()) + "-" + kind + ".tolmcal3";
    return path;
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file)
        std::abort();
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool isKnownMessage(const std::string& message) {
    static const char* const prefixes[] = {
        "Can't open file : ",
        "File too large : ",
        "Can't read file : ",
        "No root element.",
        "Document nested too deeply.",
        "XML error",
        "Invalid file structure (invalid root).",
        "Element 'calibration' has no attribute 'unit'.",
        "Element 'calibration' has no attribute 'enableMode'.",
        "Invalid mode.",
        "Invalid file structure (customSelected missing).",
        "Element 'selected' has no attribute 'column'.",
        "Element 'selected' has no attribute 'row'.",
        "Invalid column in custom selection.",
        "Invalid row in custom selection.",
        "Invalid file structure (columns missing).",
        "Invalid file structure (too many columns).",
        "Element 'column' has no attribute 'sensitivity'.",
        "Invalid file structure (too many rows).",
        "Element 'point' has no attribute 'x'.",
        "Element 'point' has no attribute 'y'.",
        "Element 'point' has attribute '",
        "bad numeric conversion: negative overflow",
        "bad numeric conversion: positive overflow",
    };
    for (const char* prefix : prefixes) {
        if (message.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

std::size_t domDepth(const TiXmlNode* root) {
    std::size_t deepest = 0;
    std::vector<std::pair<const TiXmlNode*, std::size_t>> pending{{root, 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        const std::size_t own = depth + (node->ToElement() ? 1 : 0);
        deepest = std::max(deepest, own);
        for (const TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
            pending.emplace_back(child, own);
    }
    return deepest;
}

void checkDepthGuard(const std::string& bytes) {
    std::string buffer = bytes.substr(0, bytes.find('\0'));
    buffer.append(8, '\0');
    const std::size_t scanned = tinyXmlDepth(buffer.data(), xelement::maxNestingDepth);
    if (scanned > xelement::maxNestingDepth)
        return; // refused before TinyXML sees it
    TiXmlDocument document;
    document.Parse(buffer.data());
    if (domDepth(&document) > scanned) {
        std::fprintf(stderr, "nesting guard counted %zu, TinyXML nested %zu\n", scanned, domDepth(&document));
        std::abort();
    }
}

CalibrationData sample() {
    CalibrationData data;
    data.addPoint(1, 2, {3, 4});
    data.setUnit("before");
    data.setSensitivity(5, 9);
    return data;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkDepthGuard(bytes);

    writeFile(scratchPath("in"), bytes);
    CalibrationData calibration = sample();
    try {
        calibration.load(scratchPath("in"));
    } catch (const std::exception& e) {
        if (!isKnownMessage(e.what())) {
            std::fprintf(stderr, "unexpected message: %s\n", e.what());
            std::abort();
        }
        if (calibration != sample())
            std::abort();
        return 0;
    }
    if (calibration.isModified())
        std::abort();

    calibration.save(scratchPath("out"));
    const std::string saved = readFile(scratchPath("out"));
    CalibrationData reloaded;
    try {
        reloaded.load(scratchPath("out"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "saved file does not load: %s\n", e.what());
        std::abort();
    }
    reloaded.save(scratchPath("out"));
    if (readFile(scratchPath("out")) != saved) {
        std::fprintf(stderr, "second save differs\n");
        std::abort();
    }
    return 0;
}
