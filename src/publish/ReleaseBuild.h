// Building a release: the update server's file tree for a client folder,
// brought up to date in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "publish/Parallel.h"

namespace quarnel {

struct TBuildOptions {
    std::string clientDir;
    std::string releaseDir;
    int32_t rev = 0;
    // Patterns as ScanClient takes them.
    std::vector<std::string> critical;
    std::vector<std::string> exclude;
    // The launcher's executable, directly in the client folder; empty for none.
    std::string selfName;
    // A hosts-style file for the [hosts] section; empty for none, which also
    // leaves ModHosts at 0.
    std::string hostsFile;
};

struct TBuildSummary {
    int64_t files = 0;
    int64_t bytesIn = 0;
    int64_t bytesOut = 0;  // the archives listed, together
    int64_t compressed = 0;
    int64_t removed = 0;
    double seconds = 0;
};

// Problems found before anything was written: the build wrote nothing.
class EBuildRefused : public Exception {
public:
    explicit EBuildRefused(std::vector<std::string> problems);
    const std::vector<std::string>& Problems() const { return problems_; }

private:
    std::vector<std::string> problems_;
};

// Compresses every listed file whose content the release does not hold yet
// (on threads threads), then puts the new archives in place, then the
// manifest, then removes the archives of files no longer listed. A failure
// before the manifest is replaced leaves the release listing what it listed
// before. Raises EBuildRefused, or what a failed read or write raises.
// Shows a progress bar when stderr is a terminal.
TBuildSummary BuildRelease(const TBuildOptions& options, unsigned threads = CoreCount());

// The name of the manifest in the release folder.
inline constexpr const char* kManifestName = "files.lst.bz2";

}  // namespace quarnel
