#include "publish/BuildState.h"

#include <array>
#include <charconv>
#include <fstream>

#include "publish/StagedFile.h"

namespace quarnel {

namespace {

constexpr const char* kHeader = "quarnel-publish state 1";

// A line is "md5|size|" then the source's and the archive's stamps as
// "size|mtime|ctime|inode|", then the path, last and whole.
using TNumbers = std::array<int64_t, 9>;

bool ParseLine(const std::string& line, std::string& path, TStateEntry& entry) {
    size_t at = line.find('|');
    if (at == std::string::npos) return false;
    entry.md5 = line.substr(0, at);
    TNumbers n{};
    for (int64_t& number : n) {
        const char* last = line.data() + line.size();
        const auto [end, error] = std::from_chars(line.data() + at + 1, last, number);
        if (error != std::errc() || end == last || *end != '|') return false;
        at = static_cast<size_t>(end - line.data());
    }
    path = line.substr(at + 1);
    entry.size = n[0];
    entry.source = {n[1], n[2], n[3], static_cast<uint64_t>(n[4])};
    entry.archive = {n[5], n[6], n[7], static_cast<uint64_t>(n[8])};
    return !path.empty();
}

void AppendLine(std::string& text, const std::string& path, const TStateEntry& entry) {
    const TFileStamp& s = entry.source;
    const TFileStamp& a = entry.archive;
    text += entry.md5;
    for (const int64_t number : TNumbers{entry.size, s.size, s.mtimeNs, s.ctimeNs, static_cast<int64_t>(s.inode),
                                         a.size, a.mtimeNs, a.ctimeNs, static_cast<int64_t>(a.inode)}) {
        text += '|';
        text += std::to_string(number);
    }
    text += '|';
    text += path;
    text += '\n';
}

}  // namespace

TBuildState ReadBuildState(const std::string& fileName) {
    TBuildState state;
    std::ifstream file(fileName, std::ios::binary);
    std::string line;
    if (!std::getline(file, line) || line != kHeader) return state;
    while (std::getline(file, line)) {
        std::string path;
        TStateEntry entry;
        if (ParseLine(line, path, entry)) state[path] = entry;
    }
    return state;
}

void WriteBuildState(const std::string& fileName, const TBuildState& state) {
    std::string text = std::string(kHeader) + "\n";
    for (const auto& [path, entry] : state) AppendLine(text, path, entry);
    TStagedFile staged(fileName);
    staged.Write(text.data(), text.size());
    staged.Close();
    staged.Commit();
}

}  // namespace quarnel
