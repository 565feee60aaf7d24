#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "support/BZip2.h"
#include "support/Bz2Fixture.h"
#include "support/MemoryStream.h"

using namespace quarnel;
using quarnel::test::Bz2Compress;
using quarnel::test::MemoryStream;

namespace {

constexpr int32_t kPiece = 65536;

// Words and stray bytes from a fixed generator: compressible enough to be
// quick, varied enough that level 1 cuts it into several 100k blocks.
std::string Payload(size_t size, uint32_t seed = 1) {
    static const char* const words[] = {"alpha ", "beta ", "gamma\n", "delta ", "epsilon ", "zeta\t"};
    std::string out;
    out.reserve(size + 16);
    while (out.size() < size) {
        seed = seed * 1103515245u + 12345u;
        const uint32_t r = seed >> 16;
        if (r % 5 == 0) out += static_cast<char>(r >> 3);
        else out += words[r % 6];
    }
    out.resize(size);
    return out;
}

// Reads in pieces of `piece` until a read yields 0; returns the bytes and
// the count of every read. Gives up on a stream that never ends.
std::string ReadAll(TStream& stream, std::vector<int32_t>* counts = nullptr, int32_t piece = kPiece) {
    std::string out;
    std::vector<char> buffer(static_cast<size_t>(piece));
    while (out.size() < (8u << 20)) {
        const int32_t n = stream.Read(buffer.data(), piece);
        if (counts) counts->push_back(n);
        if (n == 0) return out;
        out.append(buffer.data(), static_cast<size_t>(n));
    }
    ADD_FAILURE() << "no read yielded 0";
    return out;
}

// Names the first difference instead of printing both sides, which can be
// megabytes long.
testing::AssertionResult SameBytes(const std::string& got, const std::string& want) {
    if (got == want) return testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return testing::AssertionFailure() << "got " << got.size() << " bytes, want " << want.size()
                                       << "; first difference at " << at;
}

std::string ReadExactly(TStream& stream, int32_t count) {
    std::string out(static_cast<size_t>(count), '\0');
    EXPECT_EQ(stream.Read(out.data(), count), count);
    return out;
}

template <typename E, typename F>
void ExpectRaises(F&& f, const std::string& message) {
    try {
        f();
        ADD_FAILURE() << "nothing raised, expected \"" << message << "\"";
    } catch (const E& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "bzip2_test.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

}  // namespace

TEST(BZip2, ReadsExactlyTheDataInPiecesThenZero) {
    const struct { size_t size; int level; } cases[] = {
        {0, 9}, {1, 9}, {kPiece - 1, 9}, {kPiece, 9}, {4 * kPiece, 1}, {350'001, 1}, {350'001, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " bytes, level " << c.level);
        const std::string data = Payload(c.size);
        MemoryStream source(Bz2Compress(data, c.level));
        TBZDecompressionStream stream(source);
        std::vector<int32_t> counts;
        EXPECT_TRUE(SameBytes(ReadAll(stream, &counts), data));
        // Every read but the last two is whole; the last non-empty one holds the rest.
        const size_t full = c.size / kPiece, rest = c.size % kPiece;
        ASSERT_EQ(counts.size(), full + (rest ? 1 : 0) + 1);
        for (size_t i = 0; i < full; ++i) EXPECT_EQ(counts[i], kPiece);
        if (rest) {
            EXPECT_EQ(counts[full], static_cast<int32_t>(rest));
        }
        EXPECT_EQ(stream.Read(nullptr, kPiece), 0) << "a read after the end";
    }
}

TEST(BZip2, ReadsAFileThroughAFileStream) {
    TempDir dir;
    const std::string data = Payload(1'000'000, 7);
    test::WriteBz2File(dir.File("data.bz2"), data, 1);
    TFileStream source(dir.File("data.bz2"), fmOpenRead | fmShareDenyWrite);
    TBZDecompressionStream stream(source);
    EXPECT_TRUE(SameBytes(ReadAll(stream), data));
}

TEST(BZip2, EmptySourceAndEmptyReadsRaiseNothing) {
    MemoryStream empty;
    TBZDecompressionStream fromEmpty(empty);
    char byte;
    EXPECT_EQ(fromEmpty.Read(&byte, 1), 0);
    EXPECT_EQ(fromEmpty.Read(&byte, 1), 0);

    // Foreign data would raise at the first libbz2 call, so none is made.
    MemoryStream foreign(std::string("plain text, not bzip2"));
    TBZDecompressionStream stream(foreign);
    int progress = 0;
    stream.ProgressEvent = [&](TStream&) { ++progress; };
    EXPECT_EQ(stream.Read(&byte, 0), 0);
    EXPECT_EQ(stream.Read(&byte, -5), 0);
    EXPECT_EQ(progress, 0);
    EXPECT_EQ(foreign.Position(), 0);
}

TEST(BZip2, BadDataRaisesTheLibraryCode) {
    const std::string good = Bz2Compress(Payload(200'000), 9);
    auto with = [&](size_t at, char value) {
        std::string bytes = good;
        bytes[at] = value;
        return bytes;
    };
    const struct { const char* what; std::string bytes; int code; } cases[] = {
        {"no signature", "plain text, not bzip2 at all", -5},
        {"bad level digit", with(3, '0'), -5},
        {"bad block magic", with(4, 0x00), -4},
        {"bad block checksum", with(10, static_cast<char>(good[10] ^ 0x01)), -4},
        {"damaged block data", with(good.size() / 2, static_cast<char>(good[good.size() / 2] ^ 0x10)), -4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryStream source(c.bytes);
        TBZDecompressionStream stream(source);
        ExpectRaises<EBZDecompressionError>([&] { ReadAll(stream); }, "error " + std::to_string(c.code));
    }
}

TEST(BZip2, SecondConcatenatedStreamRaisesOncePastTheFirstEnd) {
    const std::string first = Payload(3 * kPiece + 5, 1);
    MemoryStream source(Bz2Compress(first) + Bz2Compress(Payload(1000, 2)));
    TBZDecompressionStream stream(source);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(SameBytes(ReadExactly(stream, kPiece), first.substr(i * kPiece, kPiece)));
    }
    std::string buffer(kPiece, '\0');
    ExpectRaises<EBZDecompressionError>([&] { stream.Read(buffer.data(), kPiece); }, "error -1");
}

TEST(BZip2, TruncatedSourceDeliversCompleteBlocksThenZero) {
    // Level 1 blocks hold about 100k, so 350k makes four of them.
    const std::string data = Payload(350'000, 3);
    const std::string bytes = Bz2Compress(data, 1);
    enum Delivers { kAll, kSome, kNone };
    const struct { const char* what; size_t keep; Delivers delivers; } cases[] = {
        {"end mark cut off", bytes.size() - 6, kAll},
        {"cut inside the last block", bytes.size() * 9 / 10, kSome},
        {"cut inside the second block", bytes.size() * 4 / 10, kSome},
        {"only the header", 4, kNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryStream source(bytes.substr(0, c.keep));
        TBZDecompressionStream stream(source);
        std::string got;
        ASSERT_NO_THROW(got = ReadAll(stream));
        EXPECT_TRUE(SameBytes(got, data.substr(0, got.size())));
        EXPECT_EQ(got.size() == data.size(), c.delivers == kAll);
        EXPECT_EQ(got.empty(), c.delivers == kNone);
        EXPECT_EQ(stream.Read(got.data(), 1), 0);
    }
}

TEST(BZip2, SeekForwardSkipsAndSeekZeroRestarts) {
    const std::string data = Payload(300'000, 4);
    MemoryStream source(Bz2Compress(data, 1));
    TBZDecompressionStream stream(source);

    EXPECT_TRUE(SameBytes(ReadExactly(stream, 1000), data.substr(0, 1000)));
    EXPECT_EQ(stream.Position(), 1000);
    EXPECT_EQ(stream.Seek(0, soCurrent), 1000);
    EXPECT_TRUE(SameBytes(ReadExactly(stream, 10), data.substr(1000, 10)));

    // Whole 4096-byte pieces and a remainder, relative and absolute, both forms.
    EXPECT_EQ(stream.Seek(3 * 4096 + 17, soCurrent), 1010 + 3 * 4096 + 17);
    EXPECT_TRUE(SameBytes(ReadExactly(stream, 100), data.substr(1010 + 3 * 4096 + 17, 100)));
    EXPECT_EQ(stream.Seek64(150'000, soBeginning), 150'000);
    EXPECT_TRUE(SameBytes(ReadExactly(stream, 100), data.substr(150'000, 100)));
    stream.SetPosition(150'101);
    EXPECT_TRUE(SameBytes(ReadExactly(stream, 100), data.substr(150'101, 100)));

    EXPECT_EQ(stream.Seek(0, soBeginning), 0);
    EXPECT_EQ(source.Position(), 0);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_TRUE(SameBytes(ReadAll(stream), data));

    // A restart also recovers a stream that has reached its end.
    EXPECT_EQ(stream.Seek64(0, soBeginning), 0);
    EXPECT_TRUE(SameBytes(ReadExactly(stream, 5000), data.substr(0, 5000)));
}

TEST(BZip2, RefusedSeeksAndWritesLeaveTheStreamReadable) {
    const std::string data = Payload(200'000, 5);
    const std::string bytes = Bz2Compress(data, 1);
    MemoryStream source(bytes);
    TBZDecompressionStream stream(source);
    EXPECT_TRUE(SameBytes(ReadExactly(stream, 5000), data.substr(0, 5000)));

    const struct { int64_t offset; uint16_t origin; } refused[] = {
        {0, soEnd}, {-10, soEnd}, {10, soEnd}, {-1, soCurrent}, {INT32_MIN, soCurrent},
        {5000, soBeginning}, {4999, soBeginning}, {-1, soBeginning}, {INT32_MIN, soBeginning},
    };
    const std::string invalid = "Invalid stream operation";
    for (const auto& r : refused) {
        SCOPED_TRACE(testing::Message() << r.offset << ", " << r.origin);
        ExpectRaises<EBZDecompressionError>([&] { stream.Seek(static_cast<int32_t>(r.offset), r.origin); }, invalid);
        ExpectRaises<EBZDecompressionError>([&] { stream.Seek64(r.offset, r.origin); }, invalid);
    }
    ExpectRaises<EBZDecompressionError>([&] { stream.Seek64(INT64_MIN, soBeginning); }, invalid);
    ExpectRaises<EBZDecompressionError>([&] { stream.Size(); }, invalid);
    ExpectRaises<EBZDecompressionError>([&] { stream.Write("x", 1); }, invalid);
    ExpectRaises<EBZDecompressionError>([&] { stream.Write("x", 0); }, invalid);

    EXPECT_EQ(source.Data(), bytes);
    EXPECT_EQ(stream.Position(), 5000);
    EXPECT_TRUE(SameBytes(ReadAll(stream), data.substr(5000)));
}

TEST(BZip2, SkippingPastTheEndRaisesReadError) {
    const std::string data = Payload(10'000, 6);
    const struct { int64_t offset; uint16_t origin; } cases[] = {
        {10'001, soBeginning}, {20'000, soBeginning}, {10'001, soCurrent}, {INT32_MAX, soCurrent},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << ", " << c.origin);
        MemoryStream source(Bz2Compress(data));
        TBZDecompressionStream stream(source);
        ExpectRaises<EReadError>([&] { stream.Seek64(c.offset, c.origin); }, "Stream read error");
    }
    MemoryStream source(Bz2Compress(data));
    TBZDecompressionStream stream(source);
    EXPECT_EQ(stream.Seek64(10'000, soBeginning), 10'000);
}

TEST(BZip2, SourceMovedBetweenReadsIsPutBack) {
    const std::string data = Payload(600'000, 8);
    const std::string bytes = Bz2Compress(data, 1);
    MemoryStream source(bytes);
    TBZDecompressionStream stream(source);
    std::string got, scratch(100, '\0');
    for (int i = 0; i < 100; ++i) {
        std::string piece(kPiece, '\0');
        const int32_t n = stream.Read(piece.data(), kPiece);
        if (n == 0) break;
        got.append(piece, 0, static_cast<size_t>(n));
        // Another user of the source reads from it and leaves it elsewhere.
        source.SetPosition(i % 2 ? 0 : static_cast<int64_t>(bytes.size()) / 3);
        source.Read(scratch.data(), 100);
    }
    EXPECT_TRUE(SameBytes(got, data));
}

TEST(BZip2, ProgressFollowsEverySuccessfulStepOnly) {
    // A megabyte of zeros is one tiny block: after the first refill every
    // 64k read is a single decompression step that takes no new input.
    const std::string zeros(16 * kPiece, '\0');
    const std::string bytes = Bz2Compress(zeros);
    ASSERT_LT(bytes.size(), 1000u);
    {
        MemoryStream source(bytes);
        TBZDecompressionStream stream(source);
        std::vector<int64_t> seen;
        stream.ProgressEvent = [&](TStream& sender) {
            EXPECT_EQ(&sender, &stream);
            seen.push_back(sender.Position());
        };
        EXPECT_TRUE(SameBytes(ReadAll(stream), zeros));
        ASSERT_EQ(seen.size(), 16u);
        for (size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], static_cast<int64_t>(i + 1) * kPiece);
    }
    {
        // One step reaches the end of the first stream; the next one fails.
        MemoryStream source(Bz2Compress("short") + Bz2Compress("second"));
        TBZDecompressionStream stream(source);
        int progress = 0;
        stream.ProgressEvent = [&](TStream& sender) { ++progress; EXPECT_EQ(sender.Position(), 5); };
        char buffer[64];
        EXPECT_THROW(stream.Read(buffer, sizeof buffer), EBZDecompressionError);
        EXPECT_EQ(progress, 1);
    }
    {
        MemoryStream source(std::string("not bzip2"));
        TBZDecompressionStream stream(source);
        int progress = 0;
        stream.ProgressEvent = [&](TStream&) { ++progress; };
        char buffer[64];
        EXPECT_THROW(stream.Read(buffer, sizeof buffer), EBZDecompressionError);
        EXPECT_EQ(progress, 0);
    }
}
