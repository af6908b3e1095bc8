#include "tools/loader_sim/LoaderServer.h"

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>

using namespace loadersim;

namespace {

const char* Usage() {
    return "usage: loader-sim [--pty [LINK]] [--baud N] [--port N] [--bind ADDR] [--loader] [--flash MS]\n"
           "                  [--loader-command TEXT] [--load-command WORD] [--answer QUERY=TEXT]...\n"
           "                  [--images DIR] [--log FILE] [--script FILE]\n";
}

struct Options {
    bool Pty = false;
    std::string PtyLink;
    int Port = -1; // -1: no TCP
    long long Baud = 0; // 0: the pseudo-terminal is not paced
    std::string Bind = "127.0.0.1";
    UnitConfig Unit;
    std::vector<std::pair<std::string, std::string>> Answers;
    std::string ImagesDir;
    std::string LogPath;
    std::string ScriptPath;
};

bool Number(const std::string& text, long long lo, long long hi, long long& value) {
    char* end = nullptr;
    value = std::strtoll(text.c_str(), &end, 10);
    return !text.empty() && *end == 0 && value >= lo && value <= hi;
}

bool Parse(const std::vector<std::string>& args, Options& o, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0;
        auto value = [&]() -> const std::string* {
            if (!hasValue) {
                error = a + " needs a value";
                return nullptr;
            }
            return &args[++i];
        };
        long long n = 0;
        if (a == "--pty") {
            o.Pty = true;
            if (hasValue) o.PtyLink = args[++i];
        } else if (a == "--loader") {
            o.Unit.StartInLoader = true;
        } else if (a == "--port" || a == "--flash" || a == "--baud") {
            const std::string* v = value();
            if (!v) return false;
            const long long lo = a == "--baud" ? 10 : 0;
            const long long hi = a == "--port" ? 65535 : a == "--baud" ? 100'000'000 : 3'600'000;
            if (!Number(*v, lo, hi, n)) {
                error = a + ": not a number in range: " + *v;
                return false;
            }
            if (a == "--port")
                o.Port = static_cast<int>(n);
            else if (a == "--baud")
                o.Baud = n;
            else
                o.Unit.FlashDelayMs = n;
        } else if (a == "--answer") {
            const std::string* v = value();
            if (!v) return false;
            const size_t eq = v->find('=');
            const auto reply =
                eq == std::string::npos ? std::nullopt : simlog::UnescapeBytes(v->substr(eq + 1));
            if (!reply) {
                error = "--answer needs QUERY=TEXT: " + *v;
                return false;
            }
            o.Answers.emplace_back(v->substr(0, eq), *reply);
        } else if (a == "--bind" || a == "--loader-command" || a == "--load-command" || a == "--images" ||
                   a == "--log" || a == "--script") {
            const std::string* v = value();
            if (!v) return false;
            std::string& target = a == "--bind"             ? o.Bind
                                  : a == "--loader-command" ? o.Unit.LoaderCommand
                                  : a == "--load-command"   ? o.Unit.LoadCommand
                                  : a == "--images"         ? o.ImagesDir
                                  : a == "--log"            ? o.LogPath
                                                            : o.ScriptPath;
            target = *v;
        } else {
            error = "unknown option " + a;
            return false;
        }
    }
    if (!o.Pty && o.Port < 0) {
        error = "give --pty, --port or both";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << Usage();
        return 0;
    }
    Options o;
    std::string error;
    if (!Parse(args, o, error)) {
        std::cerr << "loader-sim: " << error << "\n" << Usage();
        return 2;
    }
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> script;
    if (!o.ScriptPath.empty()) {
        std::ifstream in(o.ScriptPath);
        if (!in) {
            std::cerr << "loader-sim: cannot read " << o.ScriptPath << "\n";
            return 2;
        }
        for (std::string line; std::getline(in, line);) script.push_back(line);
    }
    std::ofstream file;
    if (!o.LogPath.empty()) {
        file.open(o.LogPath, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "loader-sim: cannot write " << o.LogPath << "\n";
            return 2;
        }
    }
    std::ostream& logStream = o.LogPath.empty() ? std::cerr : file;

    const auto steadyStart = std::chrono::steady_clock::now();
    ByteLog log(logStream, std::chrono::system_clock::now());
    LoaderCore core(o.Unit, log);
    for (const auto& [query, reply] : o.Answers) core.SetAnswer(query, reply);
    int imageCount = 0;
    core.SetImageSink([&](const Image& image) {
        ++imageCount;
        if (o.ImagesDir.empty()) return;
        const std::string path = o.ImagesDir + "/image-" + std::to_string(imageCount) + ".bin";
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(image.Bytes.data(), static_cast<std::streamsize>(image.Bytes.size()));
        if (!out) std::cerr << "loader-sim: cannot write " << path << "\n";
    });
    LoaderServer server(core, 0, steadyStart);
    if (!o.LogPath.empty()) server.SetDiagnostics(&std::cerr);
    server.SetScript(std::move(script));
    if (o.Port >= 0) {
        if (!server.Listen(o.Bind, o.Port, error)) {
            std::cerr << "loader-sim: " << error << "\n";
            return 1;
        }
        std::cout << "listening on " << o.Bind << ":" << server.Port() << std::endl;
    }
    if (o.Pty) {
        server.SetBaud(o.Baud);
        // A drop hangs the pseudo-terminal up; the one that takes its place is announced likewise.
        server.SetNewPty([](const std::string& path) { std::cout << "pty " << path << std::endl; });
        if (!server.OpenPty(o.PtyLink, error)) {
            std::cerr << "loader-sim: " << error << "\n";
            return 1;
        }
        std::cout << "pty " << server.PtyPath() << std::endl;
    }
    return server.Run();
}
