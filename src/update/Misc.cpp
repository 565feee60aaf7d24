#include "update/Misc.h"

#include <algorithm>
#include <iterator>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "platform/FileHandle.h"
#include "platform/FileSys.h"
#include <filesystem>

namespace quarnel {

namespace {

// Inside single quotes the shell takes every byte as it is; a quote itself
// closes the quoting, stands escaped, and opens it again.
std::string ShellQuote(std::string_view text) {
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

void WriteWholeFile(const std::string& fileName, const std::string& content) {
    const auto fail = [&] {
        throw EInOutError("Cannot write file \"" + fileName + "\". " + SysErrorMessage(errno));
    };
    FileHandle file(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file) fail();
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(file.Get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail();
        done += static_cast<size_t>(n);
    }
    if (!file.Reset()) fail();
}

// A Windows program starts with the "MZ" of its DOS header.
bool IsWindowsProgram(const std::string& path) {
    const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    char magic[2] = {};
    return file && ::read(file.Get(), magic, 2) == 2 && magic[0] == 'M' && magic[1] == 'Z';
}

// The first executable file of that name in a folder of PATH; empty if none.
std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        const size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty()) continue;
        const std::string candidate = std::string(folder) + "/" + name;
        if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

}  // namespace

// Text is cut as bytes. Here 8-bit text is UTF-8, where no byte of a
// multi-byte character equals an ASCII separator, so a round trip through a
// wide string would find the same positions and give back the same pieces.
TStringList SplitFields(std::string_view text, std::string_view separators) {
    auto isSeparator = [separators](char c) { return c != '\0' && separators.find(c) != std::string_view::npos; };
    TStringList fields;
    size_t end = text.size();
    for (size_t i = end; i > 0; --i) {
        if (!isSeparator(text[i - 1])) continue;
        if (i < end) fields.Add(std::string(text.substr(i, end - i)));
        end = i - 1;
    }
    if (end > 0) fields.Add(std::string(text.substr(0, end)));
    return fields;
}

std::string ReplaceAll(std::string_view source, std::string_view pattern, std::string_view replacement) {
    if (pattern.empty()) return std::string(source);
    std::string result;
    result.reserve(source.size());
    size_t from = 0;
    for (size_t at; (at = source.find(pattern, from)) != std::string_view::npos; from = at + pattern.size()) {
        result.append(source.substr(from, at - from));
        result.append(replacement);
    }
    result.append(source.substr(from));
    return result;
}

// A right-to-left scan keyed on the byte under the pattern's last byte: on a
// mismatch there the pattern jumps so that the byte's last occurrence in it
// lines up; any other mismatch moves it on by one.
size_t PosFrom(size_t start, std::string_view text, std::string_view pattern) {
    const size_t m = pattern.size();
    const size_t n = text.size();
    if (m == 0) return 0;
    if (start == 0) start = 1;
    size_t shift[256];
    std::fill(std::begin(shift), std::end(shift), m);
    for (size_t k = m; k >= 1; --k) {
        size_t& entry = shift[static_cast<unsigned char>(pattern[k - 1])];
        if (entry == m) entry = m - k;
    }
    // i and j are 1-based, as the positions returned.
    const char last = pattern[m - 1];
    for (size_t i = start + m - 1; i >= start && i <= n;) {
        const char c = text[i - 1];
        if (c != last) {
            i += shift[static_cast<unsigned char>(c)];
            continue;
        }
        size_t j = m - 1;
        while (j >= 1 && text[i - m + j - 1] == pattern[j - 1]) --j;
        if (j == 0) return i - m + 1;
        ++i;
    }
    return 0;
}

void DeleteDirectory(const std::string& path) {
    std::error_code error;
    if (!std::filesystem::is_directory(path, error)) return;
    std::filesystem::remove_all(path, error);
}

std::string LocalPath(const std::string& baseDir, std::string_view manifestPath) {
    const bool driveLetter = manifestPath.size() >= 2 && manifestPath[1] == ':' &&
                             ((manifestPath[0] >= 'A' && manifestPath[0] <= 'Z') ||
                              (manifestPath[0] >= 'a' && manifestPath[0] <= 'z'));
    if (manifestPath.empty() || driveLetter) throw EUnsafePath(std::string(manifestPath));
    size_t begin = 0;
    for (;;) {
        const size_t end = manifestPath.find_first_of("\\/", begin);
        const std::string_view part = manifestPath.substr(begin, end == std::string_view::npos ? end : end - begin);
        if (part.empty() || part == "." || part == "..") throw EUnsafePath(std::string(manifestPath));
        if (end == std::string_view::npos) break;
        begin = end + 1;
    }
    return baseDir + ReplaceAll(manifestPath, "\\", "/");
}

void WriteUpdateScript(const std::string& folder, const std::string& name, pid_t launcherPid,
                       std::chrono::seconds delay) {
    // kill takes 0 and negative numbers for process groups, -1 for every process the user has.
    if (launcherPid <= 0) throw EInvalidOperation("Not a launcher process id: " + std::to_string(launcherPid));
    // Bare names start with "./": the shell would take a leading "-" for an option.
    const std::string launcher = ShellQuote("./" + name);
    std::string script = "#!/bin/sh\n";
    script += "kill -s KILL " + std::to_string(launcherPid) + "\n";
    script += "sleep " + std::to_string(delay.count()) + "\n";
    if (FileExists(folder + name + ".New")) {
        script += "rm -f " + ShellQuote(folder + "files.lst") + "\n";
        script += "rm -f " + ShellQuote(folder + name) + "\n";
        script += "mv -f " + ShellQuote("./" + name + ".New") + " " + launcher + "\n";
        // The unpacked file was written as plain data.
        script += "chmod +x " + launcher + "\n";
    }
    script += "nohup " + launcher + " </dev/null >/dev/null 2>&1 &\n";
    script += "rm -f " + ShellQuote(kUpdateScript) + "\n";
    WriteWholeFile(folder + kUpdateScript, script);
}

void RunProgram(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    if (::chdir(folder.c_str()) != 0)
        throw EInOutError("Cannot change the current folder to \"" + folder + "\". " + SysErrorMessage(errno));

    // Everything the child needs is made before the fork: the child of a
    // threaded process may only make async-signal-safe calls.
    std::string shell = "/bin/sh";
    std::string wine = IsWindowsProgram(path) ? FindOnPath("wine") : std::string();
    std::string program = path;
    std::vector<char*> argv;
    if (path.ends_with(".sh"))
        argv.push_back(shell.data());
    else if (!wine.empty())
        argv.push_back(wine.data());
    argv.push_back(program.data());
    argv.push_back(nullptr);
    sigset_t noSignals;
    sigemptyset(&noSignals);

    // The child starts the program in a new session from a child of its own
    // and ends at once, so the program is nobody's child here and the wait
    // below is short.
    const pid_t child = ::fork();
    if (child < 0) throw EInOutError("Cannot start \"" + path + "\". " + SysErrorMessage(errno));
    if (child == 0) {
        if (::setsid() < 0 || ::fork() != 0) ::_exit(0);
        // The forking thread's blocked signals and any descriptor a library
        // opened without O_CLOEXEC are no business of the program.
        ::sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        ::close_range(3, ~0U, 0);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) continue;
}

}  // namespace quarnel
