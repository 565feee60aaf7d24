#include "publish/HostsList.h"

#include <cerrno>
#include <fstream>

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

// Bytes that separate fields on a hosts line.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// The blank-separated fields of line, up to its comment.
std::vector<std::string> Fields(std::string_view line) {
    line = line.substr(0, line.find('#'));
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        const size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) fields.emplace_back(line.substr(start, i - start));
    }
    return fields;
}

}  // namespace

std::vector<std::string> ReadHostsList(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    if (!file) throw EInOutError("Cannot open file \"" + fileName + "\". " + SysErrorMessage(errno));
    std::vector<std::string> entries;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        auto fail = [&](const std::string& why) {
            throw Exception(fileName + ":" + std::to_string(number) + ": " + why);
        };
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty()) continue;
        if (fields.size() < 2) fail("an address needs a host name after it");
        for (const std::string& field : fields) {
            for (const char c : field) {
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) fail("holds a control byte");
                if (c == '|') fail("holds \"|\", the manifest's field separator");
            }
        }
        for (size_t i = 1; i < fields.size(); ++i) entries.push_back(fields[0] + "|" + fields[i]);
    }
    if (file.bad()) throw EInOutError("Cannot read file \"" + fileName + "\".");
    return entries;
}

}  // namespace quarnel
