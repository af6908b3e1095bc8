#pragma once
// Where a test finds the files kept beside it in the source tree (fixtures, peer configurations).
// CTest hands every test the tree's root in VX_SOURCE_DIR; a test program started by hand from the
// build folder falls back to the tree above it.

#include <cstdlib>
#include <filesystem>

inline std::filesystem::path SourceTree() {
    if (const char* dir = std::getenv("VX_SOURCE_DIR"); dir && *dir)
        return dir;
    return std::filesystem::current_path().parent_path().parent_path();
}
