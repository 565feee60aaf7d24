#include "publish/Compressor.h"

#include <cerrno>
#include <unistd.h>

#include "platform/Exceptions.h"
#include "support/BZip2.h"

namespace quarnel {

namespace {

constexpr int kLevel = 9;
constexpr size_t kPiece = 1 << 20;

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
