#include "platform/win/ConfigDir.h"

#include <cstdlib>
#include <system_error>
#include <filesystem>

std::string VexoConfigDir() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/vexo";
    const char* home = std::getenv("HOME");
    if (home && home[0]) return std::string(home) + "/.config/vexo";
    return {};
}

bool ForceVexoConfigDir() {
    const std::string dir = VexoConfigDir();
    if (dir.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec);
}
