#include "tools/switcher_sim/Options.h"
#include "tools/switcher_sim/SimServer.h"

#include <csignal>
#include <fstream>
#include <iostream>

using namespace switchersim;

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "switcher-sim: " << error << "\n" << Usage();
        return 2;
    }
    if (options->Help) {
        std::cout << Usage();
        return 0;
    }
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::string> script;
    if (!options->ScriptPath.empty()) {
        std::ifstream in(options->ScriptPath);
        if (!in) {
            std::cerr << "switcher-sim: cannot read " << options->ScriptPath << "\n";
            return 2;
        }
        for (std::string line; std::getline(in, line);) script.push_back(line);
    }
    std::ofstream file;
    if (!options->LogPath.empty()) {
        file.open(options->LogPath, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "switcher-sim: cannot write " << options->LogPath << "\n";
            return 2;
        }
    }
    std::ostream& logStream = options->LogPath.empty() ? std::cerr : file;

    const auto steadyStart = std::chrono::steady_clock::now();
    ByteLog log(logStream, std::chrono::system_clock::now());
    SimCore core(SwitcherModel(options->Switcher, options->Version), log);
    SimServer server(core, 0, steadyStart);
    if (!options->LogPath.empty()) server.SetDiagnostics(&std::cerr);
    server.SetScript(std::move(script));
    if (!server.Listen(options->Bind, options->Port, error)) {
        std::cerr << "switcher-sim: " << error << "\n";
        return 1;
    }
    std::cout << "listening on " << server.Address() << ":" << server.Port() << std::endl;
    log.Event(0, "control",
              std::string(ModelName(options->Switcher)) + ", software " + options->Version +
                  ", listening on " + server.Address() + ":" + std::to_string(server.Port()));
    return server.Run();
}
