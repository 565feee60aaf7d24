// What a build leaves in its release folder for the next one: for every file
// listed, its digest and size, the stamp of the client file they were taken
// from, and the stamp of the archive made from it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "publish/FileStamp.h"

namespace quarnel {

struct TStateEntry {
    std::string md5;
    int64_t size = 0;
    // Empty when it cannot vouch for the content (see ChangedJustNow).
    TFileStamp source;
    TFileStamp archive;
};

// Keyed by manifest path.
using TBuildState = std::map<std::string, TStateEntry>;

// The name of the state file in the release folder. It starts with "." so
// that web servers set up to hide such files do not serve it.
inline constexpr const char* kStateFileName = ".quarnel-publish-state";

// The state in fileName; empty when the file is missing or is not a state
// file, and without the lines that cannot be read, so that what it fails to
// tell is built afresh.
TBuildState ReadBuildState(const std::string& fileName);

// Replaces fileName through a staged file; raises what that raises.
void WriteBuildState(const std::string& fileName, const TBuildState& state);

}  // namespace quarnel
