#include "publish/PathRules.h"

#include <cstdio>

#include "update/Misc.h"

namespace quarnel {

namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

std::string HexByte(const char* format, char c) {
    char text[8];
    std::snprintf(text, sizeof text, format, static_cast<unsigned char>(c));
    return text;
}

}  // namespace

std::string ManifestPathOf(std::string_view relative) {
    return ReplaceAll(relative, "/", "\\");
}

std::string PathProblem(std::string_view relative) {
    for (const char c : relative) {
        // The reader ends lines at LF, drops CR, cuts at 0x1A and trims every
        // byte up to 0x20; none of them can stand in a path it gets back whole.
        if (IsControl(c)) return "holds the control byte " + HexByte("0x%02X", c) + ", which the manifest cannot carry";
        if (c == '|') return "holds \"|\", the manifest's field separator";
        if (c == '\\') return "holds \"\\\", which the launcher takes for a folder separator";
    }
    if (relative.starts_with(' ') || relative.ends_with(' '))
        return "begins or ends with a blank, which the manifest reader trims away";
    try {
        LocalPath("/", ManifestPathOf(relative));
    } catch (const EUnsafePath&) {
        return "is a path the launcher refuses (a drive letter, or an empty, \".\" or \"..\" part)";
    }
    // The launcher downloads the manifest into the client folder as
    // files.lst.bz2 and unpacks it to files.lst; on the server, the archive
    // of a client file files.lst would be the manifest itself.
    if (relative == "files.lst" || relative == "files.lst.bz2")
        return "has the name of the manifest, which the launcher writes into the client folder";
    return {};
}

std::string PrintablePath(std::string_view path) {
    std::string text;
    for (const char c : path) text += IsControl(c) ? HexByte("\\x%02X", c) : std::string(1, c);
    return text;
}

}  // namespace quarnel
