#include "launcher/Shortcut.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quarnel {

namespace {

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
    return "/";
}

// A value of a desktop entry: backslashes and line ends escaped.
std::string EntryValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '\\')
            escaped += "\\\\";
        else if (c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    return escaped;
}

// The program as one quoted argument of Exec: inside the quotes ", `, $ and
// \ take a backslash, % is doubled, and the whole is escaped as a value.
std::string ExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += '\\';
        else if (c == '%')
            quoted += '%';
        quoted += c;
    }
    return EntryValue(quoted + "\"");
}

}  // namespace

std::string DesktopDirectory() {
    const std::string home = HomeDirectory();
    std::ifstream dirs(home + "/.config/user-dirs.dirs");
    const std::string key = "XDG_DESKTOP_DIR=\"";
    for (std::string line; std::getline(dirs, line);) {
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        // The file allows only paths relative to the home folder or absolute ones.
        if (!value.empty() && value.front() == '/') {
            while (value.size() > 1 && value.back() == '/') value.pop_back();
            return value;
        }
    }
    return home + "/Desktop";
}

void CreateDesktopShortcut(const std::string& name, const std::string& folder, const std::string& description) {
    if (name.empty()) return;
    std::error_code error;
    const std::string program = std::filesystem::read_symlink("/proc/self/exe", error).string();
    const std::string path = DesktopDirectory() + "/" + name + ".desktop";
    {
        std::ofstream entry(path, std::ios::binary | std::ios::trunc);
        entry << "[Desktop Entry]\n"
              << "Type=Application\n"
              << "Name=" << EntryValue(name) << "\n"
              << "Comment=" << EntryValue(description) << "\n"
              << "Exec=" << ExecArgument(program) << "\n"
              << "Path=" << EntryValue(folder) << "\n"
              << "Terminal=false\n";
        if (!entry) return;
    }
    ::chmod(path.c_str(), 0755);
}

}  // namespace quarnel
