// A stream over bytes held in memory, for tests and fuzz targets that need a
// source or a sink without touching the disk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "platform/Stream.h"

namespace quarnel::test {

class MemoryStream : public TStream {
public:
    explicit MemoryStream(std::string data = {}) : data_(std::move(data)) {}

    int32_t Read(void* buffer, int32_t count) override {
        if (count <= 0 || position_ >= Length()) return 0;
        const int64_t n = std::min<int64_t>(count, Length() - position_);
        std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
        position_ += n;
        return static_cast<int32_t>(n);
    }

    int32_t Write(const void* buffer, int32_t count) override {
        if (count <= 0) return 0;
        if (position_ + count > Length()) data_.resize(static_cast<size_t>(position_ + count));
        std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
        position_ += count;
        return count;
    }

    int64_t Seek64(int64_t offset, uint16_t origin) override {
        const int64_t base = origin == soCurrent ? position_ : origin == soEnd ? Length() : 0;
        if (base + offset >= 0) position_ = base + offset;
        return position_;
    }

    int32_t Seek(int32_t offset, uint16_t origin) override {
        return static_cast<int32_t>(Seek64(offset, origin));
    }

    const std::string& Data() const { return data_; }

private:
    int64_t Length() const { return static_cast<int64_t>(data_.size()); }

    std::string data_;
    int64_t position_ = 0;
};

}  // namespace quarnel::test
