// The text of a release's manifest, as the launcher's reader takes it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarnel {

// One file of the release: its manifest path ("\" between folders), the
// lowercase hex MD5 of its content and its size in bytes.
struct TFileEntry {
    std::string path;
    std::string md5;
    int64_t size = 0;
};

struct TManifest {
    int32_t rev = 0;
    bool modHosts = false;
    std::vector<std::string> hosts;  // "address|host"
    std::optional<TFileEntry> self;
    std::vector<TFileEntry> critical;
    std::vector<TFileEntry> normal;
};

// Sections [settings], [hosts], [self], [files_critical] and [files_normal]
// in that order, every one written even when empty (the reader takes an
// empty block as an absent one), lines ended by CR LF.
std::string FormatManifest(const TManifest& manifest);

}  // namespace quarnel
