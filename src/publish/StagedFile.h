// A file written under a temporary name beside its target and renamed over
// the target once complete, so that a reader sees the old file or the whole
// new one, never a part of it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/FileHandle.h"

namespace quarnel {

class TStagedFile {
public:
    // Ends the temporary file's name; a file left with it by a build that
    // was killed is debris.
    static constexpr std::string_view kSuffix = ".publish-tmp";

    // Creates the folders missing on the way to target and the temporary
    // file; raises EFCreateError.
    explicit TStagedFile(std::string target);
    TStagedFile(TStagedFile&& other) noexcept;
    TStagedFile& operator=(TStagedFile&&) = delete;
    // Removes the temporary file unless it was committed.
    ~TStagedFile();

    // Raises EWriteError unless all of data is written.
    void Write(const void* data, size_t count);
    // Closes the file, first forcing it to disk when durable; raises EInOutError.
    void Close(bool durable = false);
    // Renames the closed file over the target; raises EInOutError.
    void Commit();

private:
    std::string target_;
    std::string temp_;
    FileHandle handle_;
    // The temporary file exists under its own name.
    bool pending_ = false;
};

}  // namespace quarnel
