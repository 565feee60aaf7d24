#include "platform/Profile.h"

#include <cerrno>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/FileHandle.h"

namespace quarnel {

namespace {

// Values are read into a 2048-byte buffer that keeps room for its terminator.
constexpr size_t kMaxValue = 2047;
constexpr std::string_view kLineEnd = "\r\n";

// One line of the file: its text runs from begin to textEnd, its line end
// ("\n", "\r\n", or nothing on an unterminated last line) from textEnd to end.
struct Line {
    size_t begin;
    size_t textEnd;
    size_t end;
};

// Where a key sits: the index of the first header of its section (or npos),
// the index one past the section's last line, and the key's line (or npos).
struct Place {
    size_t header = std::string::npos;
    size_t sectionEnd = 0;
    size_t keyLine = std::string::npos;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

std::vector<Line> SplitLines(const std::string& content) {
    std::vector<Line> lines;
    size_t begin = 0;
    while (begin < content.size()) {
        const size_t newline = content.find('\n', begin);
        if (newline == std::string::npos) {
            lines.push_back({begin, content.size(), content.size()});
            break;
        }
        const size_t textEnd = newline > begin && content[newline - 1] == '\r' ? newline - 1 : newline;
        lines.push_back({begin, textEnd, newline + 1});
        begin = newline + 1;
    }
    return lines;
}

// A "[name]" line gives its trimmed name; a missing "]" ends the name at the line's end.
bool ParseHeader(std::string_view text, std::string_view& name) {
    text = TrimLeft(text);
    if (text.empty() || text.front() != '[') return false;
    text.remove_prefix(1);
    name = Trim(text.substr(0, text.find(']')));
    return true;
}

// A "key=value" line that is neither a comment nor a header.
bool ParseKey(std::string_view text, std::string_view& key, std::string_view& value) {
    text = TrimLeft(text);
    if (text.empty() || text.front() == ';' || text.front() == '[') return false;
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos) return false;
    key = Trim(text.substr(0, equals));
    value = Trim(text.substr(equals + 1));
    return true;
}

std::string_view TextOf(const std::string& content, const Line& line) {
    return std::string_view(content).substr(line.begin, line.textEnd - line.begin);
}

Place Locate(const std::string& content, const std::vector<Line>& lines, std::string_view section,
             std::string_view key) {
    Place place;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string_view text = TextOf(content, lines[i]);
        std::string_view name, value;
        if (ParseHeader(text, name)) {
            // Only the first section of the name is searched.
            if (place.header != std::string::npos) break;
            if (SameName(name, section)) place.header = i;
        } else if (place.header != std::string::npos && place.keyLine == std::string::npos &&
                   ParseKey(text, name, value) && SameName(name, key)) {
            place.keyLine = i;
        }
        place.sectionEnd = i + 1;
    }
    return place;
}

// Returns 0, or the errno of the open or read that failed.
int ReadWhole(const std::string& fileName, std::string& content) {
    FileHandle file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return errno;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(file.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        content.append(buffer, static_cast<size_t>(n));
    }
}

// Rewrites the file in place, so that a file the system keeps from being
// written stays refused (a rename over it would bypass that).
bool WriteWhole(const std::string& fileName, const std::string& content) {
    FileHandle file(::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!file) return false;
    size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(file.Get(), content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return file.Reset();
}

std::string Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value.substr(0, kMaxValue));
}

}  // namespace

std::string GetProfileString(const std::string& section, const std::string& key, const std::string& defaultValue,
                             const std::string& fileName) {
    std::string content;
    if (ReadWhole(fileName, content) != 0) return defaultValue;
    const std::vector<Line> lines = SplitLines(content);
    const Place place = Locate(content, lines, section, key);
    if (place.keyLine == std::string::npos) return defaultValue;

    std::string_view name, value;
    ParseKey(TextOf(content, lines[place.keyLine]), name, value);
    return Unquote(value);
}

void WriteProfileString(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& fileName) {
    std::string content;
    // Anything but a missing file must be read back whole, or the rewrite would lose it.
    const int error = ReadWhole(fileName, content);
    if (error != 0 && error != ENOENT) throw EIniFileError("Unable to write to " + fileName);

    const std::vector<Line> lines = SplitLines(content);
    const Place place = Locate(content, lines, section, key);
    const std::string keyLine = key + "=" + value;
    std::string updated;

    if (place.keyLine != std::string::npos) {
        const Line& line = lines[place.keyLine];
        updated = content.substr(0, line.begin) + keyLine + content.substr(line.textEnd);
    } else {
        std::string added;
        size_t at = content.size();
        if (place.header != std::string::npos) {
            size_t last = place.header;
            for (size_t i = place.header + 1; i < place.sectionEnd; ++i)
                if (!Trim(TextOf(content, lines[i])).empty()) last = i;
            at = lines[last].end;
            if (lines[last].textEnd == at) added = kLineEnd;
        } else {
            if (!content.empty() && content.back() != '\n') added = kLineEnd;
            added += "[" + section + "]" + std::string(kLineEnd);
        }
        added += keyLine + std::string(kLineEnd);
        updated = content.substr(0, at) + added + content.substr(at);
    }

    if (!WriteWhole(fileName, updated)) throw EIniFileError("Unable to write to " + fileName);
}

}  // namespace quarnel
