// Small string, file and process helpers shared by the update engine.
#pragma once

#include <string>
#include <string_view>

#include "platform/Exceptions.h"
#include "platform/StringList.h"

namespace quarnel {

// Cuts text at every character of separators and returns the non-empty
// pieces last first: "A|B|C" gives C, B, A and "A||C" gives C, A.
// A NUL character is never a separator, even when separators holds one.
TStringList SplitFields(std::string_view text, std::string_view separators);

// Replaces every occurrence of pattern, left to right and without overlap;
// an empty pattern is never found.
std::string ReplaceAll(std::string_view source, std::string_view pattern, std::string_view replacement);

// Deletes the folder with everything in it, if it is a folder; symbolic
// links inside are removed, never followed. Failures are ignored.
void DeleteDirectory(const std::string& path);

// A manifest path that would leave the client folder.
class EUnsafePath : public Exception {
public:
    explicit EUnsafePath(const std::string& path) : Exception("Unsafe path in the manifest: " + path) {}
};

// The local file a manifest path names inside baseDir (which ends in "/"):
// its "\" separators become "/". Raises EUnsafePath for a path that is
// absolute, starts with a drive letter, or has an empty, "." or ".."
// component ("/" counts as a separator too).
std::string LocalPath(const std::string& baseDir, std::string_view manifestPath);

}  // namespace quarnel
