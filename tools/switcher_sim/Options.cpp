#include "tools/switcher_sim/Options.h"

#include <charconv>

namespace switchersim {

const char* Usage() {
    return "usage: switcher-sim [--model corvane|halverin] [--port N] [--bind ADDR] [--version TEXT]\n"
           "                    [--log FILE] [--script FILE]\n"
           "Answers as a switcher on ADDR:N (default 127.0.0.1:3000; port 0 picks a free one).\n"
           "Control commands on standard input, one per line: popup TEXT, error TEXT, queuefull,\n"
           "stream BYTES, delay MS, mute, unmute, drop, version TEXT, set SECTION PVW PGM, sleep MS,\n"
           "quit.\n";
}

std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            o.Help = true;
            continue;
        }
        if (a != "--model" && a != "--port" && a != "--bind" && a != "--version" && a != "--log" &&
            a != "--script") {
            error = "unknown option " + a;
            return std::nullopt;
        }
        if (i + 1 == args.size()) {
            error = a + " needs a value";
            return std::nullopt;
        }
        const std::string& v = args[++i];
        if (a == "--model") {
            const auto m = ParseModel(v);
            if (!m) {
                error = "--model is corvane or halverin, not " + v;
                return std::nullopt;
            }
            o.Switcher = *m;
        } else if (a == "--port") {
            int port = -1;
            auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), port);
            if (ec != std::errc() || p != v.data() + v.size() || port < 0 || port > 65535) {
                error = "--port needs a number from 0 to 65535, not " + v;
                return std::nullopt;
            }
            o.Port = port;
        } else if (a == "--bind") {
            o.Bind = v;
        } else if (a == "--version") {
            if (!SwitcherModel::ValidVersion(v)) {
                error = "--version needs a printable text";
                return std::nullopt;
            }
            o.Version = v;
        } else if (a == "--log") {
            o.LogPath = v;
        } else {
            o.ScriptPath = v;
        }
    }
    return o;
}

} // namespace switchersim
