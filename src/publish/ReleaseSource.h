// Where a release is read from for checking: an update server's base URL,
// or the release folder itself.
#pragma once

#include <memory>
#include <string>

#include "platform/Stream.h"

namespace quarnel {

class TReleaseSource {
public:
    virtual ~TReleaseSource() = default;

    // A forward-only read stream of the file at relative ("/" between
    // folders, not URL-encoded), or null with why set when it is not there.
    // The stream raises EReadError when the file breaks off while read.
    virtual std::unique_ptr<TStream> Open(const std::string& relative, std::string& why) const = 0;

    // An HTTP source for a target that starts with "http://" or "https://",
    // a folder source otherwise.
    static std::unique_ptr<TReleaseSource> For(const std::string& target);
};

}  // namespace quarnel
