#pragma once
// A fresh XDG_CONFIG_HOME for one test, so that nothing touches the user's settings; the previous
// value comes back and the directory goes away afterwards.

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

class TempHome {
public:
    TempHome() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vexo-home-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) saved_ = old;
        ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
    }
    ~TempHome() {
        if (saved_)
            ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::string& Path() const { return path_; }
    // Where the programs keep their settings: Path() + "/vexo".
    std::string Vexo() const { return path_ + "/vexo"; }

private:
    std::string path_;
    std::optional<std::string> saved_;
};
