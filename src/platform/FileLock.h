// An exclusive lock held on a file for as long as the object lives, so two
// programs working in one folder take turns.
#pragma once

#include <string>

#include "platform/FileHandle.h"

namespace quarnel {

class TFileLock {
public:
    // Creates the file when missing; never waits for another holder.
    explicit TFileLock(const std::string& fileName);

    bool Held() const { return handle_.IsOpen(); }

private:
    FileHandle handle_;
};

}  // namespace quarnel
