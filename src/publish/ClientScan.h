// The files of a client folder that a release lists, and the reasons some
// cannot be listed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarnel {

struct TScanOptions {
    std::string clientDir;
    // Skipped where the walk meets it inside the client folder.
    std::string releaseDir;
    // fnmatch(3) patterns without FNM_PATHNAME, matched against the path
    // relative to the client folder with "/" between folders, so "*" also
    // matches "/". An exclude pattern that matches a folder leaves out all of it.
    std::vector<std::string> critical;
    std::vector<std::string> exclude;
    // The launcher's executable, a file directly in the client folder; empty for none.
    std::string selfName;
};

struct TClientFile {
    enum TRole { Normal, Critical, Self };

    std::string relative;      // "/" between folders
    std::string manifestPath;  // "\" between folders
    std::string fullPath;
    int64_t size = 0;
    TRole role = Normal;
};

struct TScanResult {
    // Sorted by manifest path.
    std::vector<TClientFile> files;
    // One text per file that cannot be listed or option that cannot be
    // met, "path: why"; the release is not to be written unless it is empty.
    std::vector<std::string> problems;
};

TScanResult ScanClient(const TScanOptions& options);

// True when some pattern matches path, as the scan matches them.
bool MatchesAny(const std::vector<std::string>& patterns, const std::string& path);

}  // namespace quarnel
