// The environment a test hands a child process: its own, with the entries of changes ("NAME=value")
// put in place of those of the same name.
#pragma once

#include <unistd.h>

#include <string>
#include <vector>

inline std::vector<std::string> ChildEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> result(changes);
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool replaced = false;
        for (const std::string& mine : changes)
            replaced = replaced || mine.compare(0, name.size(), name) == 0;
        if (!replaced) result.push_back(entry);
    }
    return result;
}
