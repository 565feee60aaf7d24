// Decompression speed of TBZDecompressionStream over a file, against a plain
// BZ2_bzDecompress loop with the same 64 KiB buffers (libbz2's own speed).
// Usage: BZip2_bench FILE.bz2
//
// The machine is shared and its speed swings from second to second, so time
// is the thread's CPU time, and the two decoders take turns on slices of the
// output, the one to go first alternating, each charged only for its own
// slices: what the neighbours still cost falls on both alike.
#include <bzlib.h>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/FileHandle.h"
#include "platform/FileStream.h"
#include "support/BZip2.h"

using namespace quarnel;

namespace {

constexpr int32_t kPiece = 65536;
constexpr int64_t kSlice = 16 << 20;

// What the owner of the stream does: 64 KiB reads until one yields 0, with a
// progress handler set.
class StreamDecoder {
public:
    explicit StreamDecoder(const std::string& path)
        : source_(path, fmOpenRead | fmShareDenyWrite), stream_(source_), buffer_(kPiece) {
        stream_.ProgressEvent = [this](TStream&) { ++steps_; };
    }

    // Decompresses at least `want` bytes unless the end comes first.
    int64_t Produce(int64_t want) {
        int64_t done = 0;
        while (!ended_ && done < want) {
            const int32_t n = stream_.Read(buffer_.data(), kPiece);
            ended_ = n == 0;
            done += n;
        }
        return done;
    }

    bool Ended() const { return ended_; }
    int64_t Steps() const { return steps_; }

private:
    TFileStream source_;
    TBZDecompressionStream stream_;
    std::vector<char> buffer_;
    int64_t steps_ = 0;
    bool ended_ = false;
};

// libbz2 driven directly: the floor the stream is measured against.
class LoopDecoder {
public:
    explicit LoopDecoder(const std::string& path)
        : file_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)), in_(kPiece), out_(kPiece) {
        if (!file_) throw std::runtime_error("cannot open " + path);
        if (BZ2_bzDecompressInit(&record_, 0, 0) != BZ_OK) throw std::runtime_error("BZ2_bzDecompressInit failed");
    }
    ~LoopDecoder() { BZ2_bzDecompressEnd(&record_); }
    LoopDecoder(const LoopDecoder&) = delete;
    LoopDecoder& operator=(const LoopDecoder&) = delete;

    int64_t Produce(int64_t want) {
        int64_t done = 0;
        while (!ended_ && done < want) {
            if (record_.avail_in == 0) {
                const ssize_t n = ::read(file_.Get(), in_.data(), in_.size());
                if (n <= 0) throw std::runtime_error("bzip2 data ends early");
                record_.next_in = in_.data();
                record_.avail_in = static_cast<unsigned>(n);
            }
            record_.next_out = out_.data();
            record_.avail_out = kPiece;
            const int code = BZ2_bzDecompress(&record_);
            if (code != BZ_OK && code != BZ_STREAM_END) throw std::runtime_error("BZ2_bzDecompress failed");
            ended_ = code == BZ_STREAM_END;
            done += kPiece - record_.avail_out;
        }
        return done;
    }

    bool Ended() const { return ended_; }

private:
    FileHandle file_;
    bz_stream record_{};
    std::vector<char> in_, out_;
    bool ended_ = false;
};

struct Tally {
    int64_t bytes = 0;
    double seconds = 0;
    double MBps() const { return bytes / 1e6 / seconds; }
};

double CpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

template <typename Decoder>
void Turn(Decoder& decoder, Tally& tally) {
    const double start = CpuSeconds();
    tally.bytes += decoder.Produce(kSlice);
    tally.seconds += CpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.bz2\n", argv[0]);
        return 2;
    }
    StreamDecoder stream(argv[1]);
    LoopDecoder loop(argv[1]);
    Tally streamTally, loopTally;
    for (int turn = 0; !stream.Ended() || !loop.Ended(); ++turn) {
        if (turn % 2 == 0) {
            Turn(loop, loopTally);
            Turn(stream, streamTally);
        } else {
            Turn(stream, streamTally);
            Turn(loop, loopTally);
        }
    }
    if (streamTally.bytes != loopTally.bytes || stream.Steps() == 0) {
        std::fprintf(stderr, "output mismatch: stream %lld, loop %lld bytes\n",
                     static_cast<long long>(streamTally.bytes), static_cast<long long>(loopTally.bytes));
        return 1;
    }
    const double mb = loopTally.bytes / 1e6;
    std::printf("bzip2 BZ2_bzDecompress loop %.0fMB: %.1f MB/s\n", mb, loopTally.MBps());
    std::printf("bzip2 TBZDecompressionStream %.0fMB: %.1f MB/s (%.3f of BZ2_bzDecompress loop)\n", mb,
                streamTally.MBps(), streamTally.MBps() / loopTally.MBps());
    return 0;
}
