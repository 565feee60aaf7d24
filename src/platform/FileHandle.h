// Owner of one open file descriptor.
#pragma once

#include <utility>

namespace quarnel {

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.fd_, -1));
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() { Reset(); }

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return IsOpen(); }

    // Closes the descriptor held and takes fd; returns false when the close failed.
    bool Reset(int fd = -1);

private:
    int fd_ = -1;
};

}  // namespace quarnel
