// Checking a published release as the launcher will take it: the manifest's
// settings and entries, and every listed archive against its entry.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "publish/Parallel.h"

namespace quarnel {

struct TCheckReport {
    // "what: why", in manifest order; none when the release is sound.
    std::vector<std::string> problems;
    int32_t rev = 0;
    int64_t files = 0;  // archives checked
    int64_t bytes = 0;  // bytes they unpacked to
};

// target is a base URL ("http://" or "https://") or a release folder. The
// archives are fetched and unpacked on threads threads. Raises only what
// running out of memory or threads raises; everything found wrong with the
// release is a problem in the report.
TCheckReport CheckRelease(const std::string& target, unsigned threads = CoreCount());

}  // namespace quarnel
