// Feeds arbitrary bytes to the manifest reader as a file on disk and checks
// what comes back: reads end, entries are trimmed single lines, sections are
// never empty and fields hold no bar.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/FileStream.h"
#include "update/LstFile.h"
#include "update/Misc.h"

using namespace quarnel;

namespace {

// One scratch file for the whole run, removed at exit.
struct ScratchFile {
    ScratchFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "lstfile_fuzz.XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        if (fd < 0) std::abort();
        ::close(fd);
        path = pattern;
    }
    ~ScratchFile() { ::unlink(path.c_str()); }
    std::string path;
};

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void CheckFields(const std::string& entry) {
    const TStringList fields = SplitFields(entry, "|");
    size_t length = 0;
    for (const std::string& field : fields) {
        Check(!field.empty() && field.find('|') == std::string::npos);
        length += field.size();
    }
    Check(length <= entry.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFile scratch;
    {
        TFileStream out(scratch.path, fmCreate);
        out.WriteBuffer(data, static_cast<int32_t>(size));
    }
    TListFile list(scratch.path);
    for (const char* name : {"hosts", "self", "files_critical", "files_normal", "settings"}) {
        const TStringList entries = list.ReadSection(name);
        Check(entries.Count() > 0);
        for (const std::string& entry : entries) {
            // Trimmed, one line, cut at 0x1A.
            Check(!entry.empty() && static_cast<uint8_t>(entry.front()) > 0x20 &&
                  static_cast<uint8_t>(entry.back()) > 0x20);
            Check(entry.find_first_of("\r\n\x1A") == std::string::npos);
            CheckFields(entry);
        }
    }
    for (const char* key : {"Rev", "ModHosts"}) CheckFields(list.ReadValue("settings", key));
    return 0;
}
