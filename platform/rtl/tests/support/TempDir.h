// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "/" + name.
    std::string File(const std::string& name) const;
    // The bytes of a file ("" when it cannot be read) / writes them.
    static std::string Read(const std::string& fileName);
    static void Write(const std::string& fileName, const std::string& bytes);

private:
    std::string path_;
};
