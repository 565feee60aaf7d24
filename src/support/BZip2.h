// A read-only, forward-only stream of the decompressed bytes of a bzip2
// source, over libbz2, and the exceptions it raises.
#pragma once

#include <bzlib.h>

#include <cstdint>
#include <functional>

#include "platform/Exceptions.h"
#include "platform/Stream.h"

namespace quarnel {

class EBZip2Error : public Exception {
public:
    using Exception::Exception;
};

class EBZCompressionError : public EBZip2Error {
public:
    using EBZip2Error::EBZip2Error;
};

class EBZDecompressionError : public EBZip2Error {
public:
    using EBZip2Error::EBZip2Error;
};

// Called with the stream itself as sender.
using TBZProgressEvent = std::function<void(TStream& sender)>;

// Holds the source, the libbz2 record and the compressed bytes taken from the
// source but not yet decompressed. The source is never owned.
class TCustomBZip2Stream : public TStream {
public:
    TBZProgressEvent ProgressEvent;

protected:
    explicit TCustomBZip2Stream(TStream& source);

    virtual void Progress(TStream& sender);

    static constexpr int32_t kBufferSize = 65536;

    TStream& source_;
    // Where the next compressed bytes are to be taken from the source.
    int64_t sourcePosition_;
    bz_stream record_{};
    char buffer_[kBufferSize]{};
};

// Seeks only forward, by decompressing the bytes skipped; Seek(0, 0) starts
// over from the source's beginning. Writes and end-relative seeks raise.
class TBZDecompressionStream : public TCustomBZip2Stream {
public:
    // The source is positioned at the first byte of the bzip2 data.
    explicit TBZDecompressionStream(TStream& source);
    ~TBZDecompressionStream() override;

    // Fewer than count bytes, 0 included, means the source is exhausted.
    int32_t Read(void* buffer, int32_t count) override;
    int32_t Write(const void* buffer, int32_t count) override;
    int32_t Seek(int32_t offset, uint16_t origin) override;
    int64_t Seek64(int64_t offset, uint16_t origin) override;

    // True once the end-of-stream mark has been passed: a source that ran
    // out before it was cut short, however many blocks it delivered.
    bool EndReached() const { return endReached_; }

private:
    int64_t DecompressedPosition() const;

    bool endReached_ = false;
};

}  // namespace quarnel
