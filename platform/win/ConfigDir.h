// Where the per-user settings live: $XDG_CONFIG_HOME/vexo, or ~/.config/vexo. It plays the Windows
// and the system directory, and holds the registry file and the per-user lock files.
#pragma once

#include <string>

// Without a trailing separator; "" when neither XDG_CONFIG_HOME nor HOME is usable.
std::string VexoConfigDir();
// Creates the directory (and its parents) when missing; false when that failed.
bool ForceVexoConfigDir();
