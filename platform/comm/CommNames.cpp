// Port names, the user's map from COM numbers to device nodes, and the open-failure messages.
#include "platform/comm/Comm.h"
#include "platform/comm/CommDevice.h"
#include "platform/win/ConfigDir.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <grp.h>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string MapFilePath() {
    const std::string dir = VexoConfigDir();
    return dir.empty() ? std::string() : dir + "/comports";
}

// The node the map file gives the port, or "". A later line for the same port wins.
std::string MapFileNode(int number) {
    const std::string path = MapFilePath();
    if (path.empty()) return {};
    std::ifstream in(path);
    std::string node;
    std::string text;
    while (std::getline(in, text)) {
        std::string_view line(text);
        line = Trim(line.substr(0, line.find('#')));
        const auto eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        if (CommPortNumber(std::string(Trim(line.substr(0, eq)))) != number) continue;
        node = std::string(Trim(line.substr(eq + 1)));
    }
    return node;
}

std::string PortLabel(const std::string& name) {
    const int number = CommPortNumber(name);
    return number > 0 ? "COM" + std::to_string(number) : "\"" + name + "\"";
}

std::string OwningGroup(const std::string& node) {
    struct stat st {};
    if (stat(node.c_str(), &st) != 0) return {};
    group grp{};
    group* found = nullptr;
    std::vector<char> buffer(4096);
    if (getgrgid_r(st.st_gid, &grp, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
    return found->gr_name;
}

} // namespace

int CommPortNumber(const std::string& name) {
    std::string_view s(name);
    if (s.substr(0, 4) == "\\\\.\\") s.remove_prefix(4);
    if (!StartsWithNoCase(s, "COM")) return 0;
    s.remove_prefix(3);
    if (s.empty() || s.size() > 4 || s.front() == '0') return 0;
    int number = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return 0;
        number = number * 10 + (c - '0');
    }
    return number;
}

std::string CommDeviceNode(const std::string& name) {
    const int number = CommPortNumber(name);
    if (number == 0) return {};
    if (IsSimulatedComm(number)) return "the simulated line";
    const char* mapped = std::getenv(("VEXO_COM" + std::to_string(number)).c_str());
    if (mapped && mapped[0]) return mapped;
    std::string node = MapFileNode(number);
    if (!node.empty()) return node;
    return "/dev/ttyS" + std::to_string(number - 1);
}

std::string CommOpenErrorText(const std::string& name, DWORD error) {
    const std::string port = PortLabel(name);
    const std::string node = CommDeviceNode(name);
    if (node.empty()) return port + " is not a serial port name.";
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return "Serial port " + port + " does not exist: there is no serial device " + node + ".";
    case ERROR_SHARING_VIOLATION:
        return "Serial port " + port + " is in use: " + node + " is already open in another program or port.";
    case ERROR_ACCESS_DENIED: {
        std::string text =
            "Permission denied for serial port " + port + ": this user may not open " + node + ".";
        const std::string group = OwningGroup(node);
        if (!group.empty() && group != "root")
            text += " Members of the group \"" + group + "\" may; add the user to it and log in again.";
        return text;
    }
    default:
        return "Serial port " + port + " (" + node + ") cannot be opened (error " + std::to_string(error) +
               ").";
    }
}
