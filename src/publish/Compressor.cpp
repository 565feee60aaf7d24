#include "publish/Compressor.h"

#include <cerrno>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Exceptions.h"
#include "support/BZip2.h"

namespace quarnel {

namespace {

constexpr int kLevel = 9;
constexpr size_t kPiece = 1 << 20;

// libbz2 asks for the same few blocks, 7 MB together at level 9, for every
// stream. A thread keeps them from one file to the next, so that their pages
// are not faulted in and cleared again for every file, which for small files
// is a large share of the work.
class TBlockCache {
public:
    TBlockCache() = default;
    TBlockCache(const TBlockCache&) = delete;
    TBlockCache& operator=(const TBlockCache&) = delete;
    ~TBlockCache() {
        for (const TBlock& block : blocks_) std::free(block.memory);
    }

    void* Take(size_t size) {
        for (TBlock& block : blocks_) {
            if (!block.taken && block.size == size) {
                block.taken = true;
                return block.memory;
            }
        }
        void* memory = std::malloc(size);
        if (memory == nullptr) return nullptr;
        blocks_.push_back({memory, size, true});
        return memory;
    }

    void Give(void* memory) {
        for (TBlock& block : blocks_) {
            if (block.memory == memory) block.taken = false;
        }
    }

private:
    struct TBlock {
        void* memory;
        size_t size;
        bool taken;
    };
    std::vector<TBlock> blocks_;
};

thread_local TBlockCache tBlockCache;

void* CacheAlloc(void* cache, int items, int size) {
    if (items < 0 || size < 0) return nullptr;
    return static_cast<TBlockCache*>(cache)->Take(static_cast<size_t>(items) * static_cast<size_t>(size));
}

void CacheFree(void* cache, void* memory) {
    static_cast<TBlockCache*>(cache)->Give(memory);
}

// Reads fd to its end in pieces, digesting each and handing it to use.
template <typename Use>
TContent ReadAll(int fd, const std::string& fileName, Use use) {
    const auto buffer = std::make_unique_for_overwrite<char[]>(kPiece);
    TContent content;
    DigestContext context;
    DigestInit(context);
    for (;;) {
        const ssize_t n = ::read(fd, buffer.get(), kPiece);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw EReadError("Cannot read file \"" + fileName + "\". " + SysErrorMessage(errno));
        if (n == 0) break;
        DigestUpdate(context, buffer.get(), static_cast<uint32_t>(n));
        content.size += n;
        use(buffer.get(), static_cast<size_t>(n));
    }
    DigestFinal(context, content.digest);
    return content;
}

}  // namespace

TBZCompressor::TBZCompressor(TStagedFile& target)
    : target_(target), out_(std::make_unique_for_overwrite<char[]>(kPiece)) {
    record_.bzalloc = CacheAlloc;
    record_.bzfree = CacheFree;
    record_.opaque = &tBlockCache;
    if (const int code = BZ2_bzCompressInit(&record_, kLevel, 0, 0); code != BZ_OK)
        throw EBZCompressionError("bzip2 compression cannot start: error " + std::to_string(code));
}

TBZCompressor::~TBZCompressor() {
    BZ2_bzCompressEnd(&record_);
}

void TBZCompressor::Write(const void* data, size_t count) {
    record_.next_in = const_cast<char*>(static_cast<const char*>(data));
    record_.avail_in = static_cast<unsigned>(count);
    while (record_.avail_in > 0) Step(BZ_RUN, BZ_RUN_OK);
}

void TBZCompressor::Finish() {
    Step(BZ_FINISH, BZ_STREAM_END);
}

// Runs libbz2 with action until it answers expected, writing out what it
// makes; BZ_FINISH_OK in between means it has more to give.
void TBZCompressor::Step(int action, int expected) {
    for (;;) {
        record_.next_out = out_.get();
        record_.avail_out = kPiece;
        const int code = BZ2_bzCompress(&record_, action);
        if (code != expected && code != BZ_FINISH_OK)
            throw EBZCompressionError("bzip2 compression failed: error " + std::to_string(code));
        target_.Write(out_.get(), kPiece - record_.avail_out);
        if (code == expected) return;
    }
}

TContent CompressHandle(int fd, const std::string& fileName, TStagedFile& target, const TReadProgress& progress) {
    TBZCompressor compressor(target);
    const TContent content = ReadAll(fd, fileName, [&](const char* data, size_t count) {
        compressor.Write(data, count);
        if (progress) progress(static_cast<int64_t>(count));
    });
    compressor.Finish();
    return content;
}

TContent DigestHandle(int fd, const std::string& fileName) {
    return ReadAll(fd, fileName, [](const char*, size_t) {});
}

void CompressText(const std::string& text, TStagedFile& target) {
    TBZCompressor compressor(target);
    compressor.Write(text.data(), text.size());
    compressor.Finish();
}

}  // namespace quarnel
