#include "platform/Stream.h"

#include "platform/Exceptions.h"

namespace quarnel {

namespace {

struct ForwardGuard {
    explicit ForwardGuard(bool& flag) : flag_(flag) {
        if (flag_) throw EStreamError("Stream does not support seeking");
        flag_ = true;
    }
    ~ForwardGuard() { flag_ = false; }
    bool& flag_;
};

}  // namespace

int32_t TStream::Seek(int32_t offset, uint16_t origin) {
    ForwardGuard guard(seekForwarding_);
    return static_cast<int32_t>(Seek64(offset, origin));
}

int64_t TStream::Seek64(int64_t offset, uint16_t origin) {
    if (offset < INT32_MIN || offset > INT32_MAX) throw EStreamError("Stream seek offset out of range");
    ForwardGuard guard(seekForwarding_);
    return Seek(static_cast<int32_t>(offset), origin);
}

void TStream::SetSize(int64_t) {}

int64_t TStream::Position() {
    return Seek64(0, soCurrent);
}

void TStream::SetPosition(int64_t position) {
    Seek64(position, soBeginning);
}

int64_t TStream::Size() {
    const int64_t position = Seek64(0, soCurrent);
    const int64_t size = Seek64(0, soEnd);
    Seek64(position, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int32_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int32_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

}  // namespace quarnel
