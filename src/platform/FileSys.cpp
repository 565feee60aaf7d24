#include "platform/FileSys.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/Exceptions.h"

namespace quarnel {

std::string GetCurrentDir() {
    std::vector<char> buffer(4096);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) throw EInOutError("Cannot read the current folder: " + SysErrorMessage(errno));
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string ExtractFileDir(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool ForceDirectories(const std::string& path) {
    std::error_code error;
    std::filesystem::create_directories(path, error);
    return DirectoryExists(path);
}

bool CopyFile(const std::string& source, const std::string& target) {
    std::error_code error;
    return std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error);
}

bool DeleteFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0;
}

bool RenameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace quarnel
