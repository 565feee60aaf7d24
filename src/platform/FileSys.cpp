#include "platform/FileSys.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace quarnel
