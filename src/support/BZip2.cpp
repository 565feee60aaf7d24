#include "support/BZip2.h"

#include <cstdlib>
#include <string>

// No bz_internal_error: the system libbz2, built with stdio, never calls it; it prints its own message and exits.

namespace quarnel {

namespace {

void* BZAlloc(void*, int items, int size) {
    return std::malloc(static_cast<size_t>(items) * static_cast<size_t>(size));
}

void BZFree(void*, void* block) {
    std::free(block);
}

int CheckDecompress(int code) {
    if (code < 0) throw EBZDecompressionError("error " + std::to_string(code));
    return code;
}

[[noreturn]] void InvalidOperation() {
    throw EBZDecompressionError("Invalid stream operation");
}

}  // namespace

TCustomBZip2Stream::TCustomBZip2Stream(TStream& source) : source_(source), sourcePosition_(source.Position()) {
    record_.bzalloc = BZAlloc;
    record_.bzfree = BZFree;
}

void TCustomBZip2Stream::Progress(TStream& sender) {
    if (ProgressEvent) ProgressEvent(sender);
}

TBZDecompressionStream::TBZDecompressionStream(TStream& source) : TCustomBZip2Stream(source) {
    record_.next_in = buffer_;
    record_.avail_in = 0;
    CheckDecompress(BZ2_bzDecompressInit(&record_, 0, 0));
}

TBZDecompressionStream::~TBZDecompressionStream() {
    BZ2_bzDecompressEnd(&record_);
}

int32_t TBZDecompressionStream::Read(void* buffer, int32_t count) {
    // A negative count asks for nothing; it must not come back as a byte count.
    if (count < 0) count = 0;
    record_.next_out = static_cast<char*>(buffer);
    record_.avail_out = static_cast<unsigned>(count);
    // Someone else may have moved the source since the last refill.
    if (source_.Position() != sourcePosition_) source_.SetPosition(sourcePosition_);
    while (record_.avail_out > 0) {
        if (record_.avail_in == 0) {
            const int32_t got = source_.Read(buffer_, kBufferSize);
            if (got <= 0) return count - static_cast<int32_t>(record_.avail_out);
            record_.next_in = buffer_;
            record_.avail_in = static_cast<unsigned>(got);
            sourcePosition_ = source_.Position();
        }
        if (CheckDecompress(BZ2_bzDecompress(&record_)) == BZ_STREAM_END) endReached_ = true;
        Progress(*this);
    }
    return count;
}

int32_t TBZDecompressionStream::Write(const void*, int32_t) {
    InvalidOperation();
}

// Decisions are taken on the full 64-bit position, so a 32-bit offset cannot
// land somewhere else once more than 2 GiB have been delivered; the result is
// cut to 32 bits as the file stream's is.
int32_t TBZDecompressionStream::Seek(int32_t offset, uint16_t origin) {
    return static_cast<int32_t>(Seek64(offset, origin));
}

int64_t TBZDecompressionStream::Seek64(int64_t offset, uint16_t origin) {
    if (offset == 0 && origin == soBeginning) {
        CheckDecompress(BZ2_bzDecompressEnd(&record_));
        CheckDecompress(BZ2_bzDecompressInit(&record_, 0, 0));
        record_.next_in = buffer_;
        record_.avail_in = 0;
        source_.SetPosition(0);
        sourcePosition_ = 0;
        endReached_ = false;
        return 0;
    }
    const int64_t position = DecompressedPosition();
    const bool forward = (origin == soCurrent && offset >= 0) || (origin == soBeginning && offset > position);
    if (!forward) InvalidOperation();
    if (origin == soBeginning) offset -= position;

    constexpr int32_t kPiece = 4096;
    char scratch[kPiece];
    for (int64_t pieces = offset / kPiece; pieces > 0; --pieces) ReadBuffer(scratch, kPiece);
    ReadBuffer(scratch, static_cast<int32_t>(offset % kPiece));
    return DecompressedPosition();
}

int64_t TBZDecompressionStream::DecompressedPosition() const {
    return static_cast<int64_t>((static_cast<uint64_t>(record_.total_out_hi32) << 32) | record_.total_out_lo32);
}

}  // namespace quarnel
