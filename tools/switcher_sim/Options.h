#pragma once

#include "tools/switcher_sim/SwitcherModel.h"

#include <optional>
#include <string>
#include <vector>

namespace switchersim {

struct Options {
    Model Switcher = Model::CorvaneII;
    int Port = 3000; // 0: any free port
    std::string Bind = "127.0.0.1";
    std::string Version = SwitcherModel::DefaultVersion;
    std::string LogPath;    // empty: standard error
    std::string ScriptPath; // empty: none
    bool Help = false;
};

// args without the program name; nullopt with error set when they do not make sense.
std::optional<Options> ParseOptions(const std::vector<std::string>& args, std::string& error);
const char* Usage();

} // namespace switchersim
