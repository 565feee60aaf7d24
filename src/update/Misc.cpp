#include "update/Misc.h"

#include <filesystem>

namespace quarnel {

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

}  // namespace quarnel
