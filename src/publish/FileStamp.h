// What the file system tells about a file without reading it: enough to see
// that a file has not changed since it was last read.
#pragma once

#include <cstdint>
#include <string>

namespace quarnel {

struct TFileStamp {
    int64_t size = 0;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;
    uint64_t inode = 0;

    // The empty stamp stands for "unknown" and never equals a real one.
    bool IsSet() const { return inode != 0; }
    bool operator==(const TFileStamp&) const = default;
};

// Raise EInOutError naming the file when the system refuses.
TFileStamp StampOfHandle(int fd, const std::string& fileName);
// The empty stamp when there is no regular file at path.
TFileStamp StampOfPath(const std::string& path);

// True when the file changed so shortly before now that a second change in
// the same tick of the file system's clock would leave its stamp as it is;
// such a stamp cannot vouch for the content read.
bool ChangedJustNow(const TFileStamp& stamp);

}  // namespace quarnel
