// A fresh folder for one test, removed with everything in it afterwards;
// optionally the process's current folder while it lives.
#pragma once

#include <filesystem>
#include <string>

namespace quarnel::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Path of name inside the folder, as text.
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

    void Write(const std::string& name, const std::string& content) const;
    std::string Read(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// Makes a folder the current one until it goes out of scope.
class CurrentDir {
public:
    explicit CurrentDir(const std::filesystem::path& path);
    ~CurrentDir();
    CurrentDir(const CurrentDir&) = delete;
    CurrentDir& operator=(const CurrentDir&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace quarnel::test
