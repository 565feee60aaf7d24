// The worker's merge of the manifest's host entries into the system's
// hosts file.
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "platform/FileHandle.h"
#include "platform/FileRewrite.h"
#include "platform/FileSys.h"
#include "update/GetFilesThr.h"
#include "update/Misc.h"

namespace quarnel {

namespace {

// Fields of a host entry as SplitFields delivers them: last field first.
enum { kHostField = 0, kAddressField = 1 };

// What the file's active lines say about one entry's host; the last line
// that names it decides.
enum class THostState { Absent, CommentedOut, Present };

const char* const kBlockHeader = "#-------- Added by Quarnel Updater --------";
const char* const kBlockFooter = "#-----------------";

std::string Trimmed(std::string_view line) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
    while (!line.empty() && blank(line.back())) line.remove_suffix(1);
    while (!line.empty() && blank(line.front())) line.remove_prefix(1);
    return std::string(line);
}

// The file's lines, each trimmed; a line ends at LF, and a last line without
// one still counts.
TStringList ReadLines(const std::string& fileName) {
    auto fail = [&fileName](const char* what) {
        throw EInOutError("Cannot " + std::string(what) + " file \"" + fileName + "\". " + SysErrorMessage(errno));
    };
    FileHandle file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) fail("open");
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail("read");
        if (n == 0) break;
        content.append(buffer, static_cast<size_t>(n));
    }

    TStringList lines;
    const std::string_view text(content);
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string_view::npos) end = text.size();
        lines.Add(Trimmed(text.substr(begin, end - begin)));
        begin = end + 1;
    }
    return lines;
}

// Looks at every line for the entry's host, commenting out the active lines
// that give it another address.
THostState MatchHost(TStringList& lines, const std::string& host, const std::string& address) {
    THostState state = THostState::Absent;
    for (int i = 0; i < lines.Count(); ++i) {
        std::string& line = lines[i];
        if (PosFrom(1, line, host) == 0 || line.starts_with('#')) continue;
        if (PosFrom(1, line, address + "\t") > 0 || PosFrom(1, line, address + " ") > 0) {
            state = THostState::Present;
        } else {
            line.insert(0, "#");
            state = THostState::CommentedOut;
        }
    }
    return state;
}

}  // namespace

// The hosts folder is HostsDir, which is always at hand: there is no system
// folder lookup here that could fail and end the patch early.
void GFilesThread::PatchHosts(const TStringList& entries) {
    const std::string msn = HostsDir + "hosts.msn";
    const std::string fileName = FileExists(msn) ? msn : HostsDir + "hosts";
    TStringList lines = ReadLines(fileName);

    TStringList block;
    block.Add(kBlockHeader);
    // Entries are matched against the file's own lines only, never against
    // those added to the block on the way.
    if (entries.Count() > 0 && entries[0] != "FAIL") {
        for (const std::string& entry : entries) {
            const TStringList fields = SplitFields(entry, "|");
            const std::string& host = fields[kHostField];
            const std::string& address = fields[kAddressField];
            if (MatchHost(lines, host, address) != THostState::Present) block.Add(address + "\t" + host);
        }
    }
    block.Add(kBlockFooter);
    if (block.Count() <= 2) return;

    std::string content;
    for (const TStringList* part : {&lines, &block}) {
        for (const std::string& line : *part) content.append(line).append("\r\n");
    }
    TFileRewrite file(fileName);
    StatusText = "Applying changes to Hosts";
    ShowStatus();
    file.Commit(content);
    StatusText = "Hosts file chamged";
    ShowStatus();
}

}  // namespace quarnel
