#include "support/TempDir.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quarnel::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quarnel-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& content) const {
    const auto file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + (path_ / name).string());
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

CurrentDir::CurrentDir(const std::filesystem::path& path) : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
}

CurrentDir::~CurrentDir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

}  // namespace quarnel::test
