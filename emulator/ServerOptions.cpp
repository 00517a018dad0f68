#include "ServerOptions.h"

#include <charconv>
#include <stdexcept>

namespace KivraTolmEmulator {

namespace {

int parseNumber(const std::string& option, const std::string& text, int min, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        throw std::invalid_argument(option + " needs a whole number " + std::to_string(min) + ".." +
                                    std::to_string(max) + ", not \"" + text + "\"");
    return value;
}

// "host:port" or "[v6 address]:port".
void parseListen(const std::string& text, ServerOptions& options) {
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':')
            throw std::invalid_argument("--listen needs [address]:port, not \"" + text + "\"");
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos)
            throw std::invalid_argument("--listen needs host:port, not \"" + text + "\"");
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (host.empty())
        throw std::invalid_argument("--listen needs a host before the port, e.g. 127.0.0.1:10001");
    options.host = host;
    options.port = parseNumber("--listen", port, 0, 65535);
}

} // namespace

ServerOptions parseServerOptions(const std::vector<std::string>& arguments) {
    ServerOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--help" || option == "-h") {
            options.help = true;
            continue;
        }
        if (option != "--listen" && option != "--config" && option != "--board" && option != "--idle-timeout")
            throw std::invalid_argument("unknown option \"" + option + "\"");
        if (i + 1 >= arguments.size())
            throw std::invalid_argument(option + " needs a value");
        const std::string& value = arguments[++i];
        if (option == "--listen")
            parseListen(value, options);
        else if (option == "--config")
            options.configFile = value;
        else if (option == "--board")
            options.board = parseNumber(option, value, 0, 1000);
        else
            options.idleSeconds = parseNumber(option, value, 0, 86400);
    }
    return options;
}

std::string serverUsage() {
    return "Usage: kivratolm-board-emulator [--listen HOST:PORT] [--config FILE.ini] [--board N] [--idle-timeout S]\n"
           "Serves one emulated KivraTolm board over TCP, to one client at a time.\n"
           "  --listen HOST:PORT   address to listen on (default 127.0.0.1:10001; port 0: any free port)\n"
           "  --config FILE.ini    the emulator's configuration file (default: $KIVRATOLM_EMULATOR, or one\n"
           "                       default board)\n"
           "  --board N            which board of the configuration to serve (default 0)\n"
           "  --idle-timeout S     drop a client that sends nothing for S seconds (default 60; 0: never)\n";
}

} // namespace KivraTolmEmulator
