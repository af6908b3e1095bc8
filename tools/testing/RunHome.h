#pragma once
// A temporary settings home for tests of runs that find each other, with XDG_RUNTIME_DIR as the
// case wants it (unset: the runs meet in the settings directory); both come back afterwards.

#include "tools/testing/TempHome.h"

#include <cstdlib>
#include <optional>
#include <string>

#include <sys/stat.h>

class RunHome {
public:
    explicit RunHome(bool withRuntimeDir) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) saved_ = old;
        if (withRuntimeDir) {
            const std::string runtime = home_.Path() + "/runtime";
            ::mkdir(runtime.c_str(), 0700);
            ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        } else {
            ::unsetenv("XDG_RUNTIME_DIR");
        }
    }
    ~RunHome() {
        if (saved_)
            ::setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    RunHome(const RunHome&) = delete;
    RunHome& operator=(const RunHome&) = delete;

    const TempHome& Home() const { return home_; }
    // Where the runs' sockets are when there is no runtime directory.
    std::string RunsDir() const { return home_.Vexo() + "/runs"; }

private:
    TempHome home_;
    std::optional<std::string> saved_;
};
