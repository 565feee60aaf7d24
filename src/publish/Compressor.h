// bzip2 compression of client files into archives, at libbz2's level 9, with
// the MD5 digest of the bytes taken in.
#pragma once

#include <bzlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "publish/StagedFile.h"
#include "support/md5.h"

namespace quarnel {

// One bzip2 stream written into a staged file. Raises EBZCompressionError
// when libbz2 fails, and what the staged file raises.
class TBZCompressor {
public:
    explicit TBZCompressor(TStagedFile& target);
    ~TBZCompressor();
    TBZCompressor(const TBZCompressor&) = delete;
    TBZCompressor& operator=(const TBZCompressor&) = delete;

    void Write(const void* data, size_t count);
    // Ends the stream; nothing may be written after it.
    void Finish();

private:
    void Step(int action, int expected);

    TStagedFile& target_;
    bz_stream record_{};
    std::unique_ptr<char[]> out_;
};

struct TContent {
    Digest digest{};
    int64_t size = 0;
};

// Called with the number of bytes of every piece read.
using TReadProgress = std::function<void(int64_t)>;

// The bytes of the open file fd from its current position to its end,
// digested, and also compressed into target for the first form. Raises
// EReadError naming fileName when a read fails.
TContent CompressHandle(int fd, const std::string& fileName, TStagedFile& target, const TReadProgress& progress);
TContent DigestHandle(int fd, const std::string& fileName);

// The whole of text as one bzip2 stream in target.
void CompressText(const std::string& text, TStagedFile& target);

}  // namespace quarnel
