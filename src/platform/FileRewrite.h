// Replacing a file's content whole, so that a failure on the way leaves the
// old content as it was.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/FileHandle.h"

namespace quarnel {

// The new content goes to a file beside the old one that then takes its place
// by a rename. Where that cannot be done alike (the rename is refused, as for
// a file bind-mounted into place; the folder takes no new file; the owner
// cannot be carried over), the file is truncated and written in place.
class TFileRewrite {
public:
    using TRenameFunction = int (*)(const char* from, const char* to);

    // Opens the existing file fileName for writing without changing it, so a
    // file that may not be written is refused before anything happens:
    // raises EInOutError. rename is the system's unless a test stands in.
    explicit TFileRewrite(const std::string& fileName, TRenameFunction rename = std::rename);

    // Puts content in the file's place, keeping its permission bits and
    // owner; raises EInOutError when it cannot. Called once.
    void Commit(std::string_view content);

private:
    // False, with errno set, when the content could not go through a file
    // beside the old one and the old one is as it was.
    bool ReplaceByRename(std::string_view content);
    void WriteInPlace(std::string_view content);
    [[noreturn]] void Fail(const char* what, int error) const;

    std::string fileName_;
    TRenameFunction rename_;
    FileHandle file_;
};

}  // namespace quarnel
