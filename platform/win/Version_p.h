// What the version readers share: appending a node in the 8-bit block layout (Version.h).
#pragma once

#include "platform/win/Types.h"

#include <string>

// Appends a node whose children are already encoded in children.
void AppendVersionNode(std::string& out, const std::string& key, const std::string& value, WORD type,
                       const std::string& children);
