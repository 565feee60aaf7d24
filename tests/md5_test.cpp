#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "support/md5.h"

using namespace quarnel;

namespace {

const std::string kEmptyDigest = "d41d8cd98f00b204e9800998ecf8427e";

using Bytes = std::vector<uint8_t>;

// Digest of the bytes fed through DigestUpdate in pieces of the given size.
std::string HexOf(const Bytes& bytes, size_t piece) {
    DigestContext context;
    DigestInit(context);
    for (size_t at = 0; at < bytes.size(); at += piece) {
        const size_t length = std::min(piece, bytes.size() - at);
        DigestUpdate(context, bytes.data() + at, static_cast<uint32_t>(length));
    }
    Digest digest;
    DigestFinal(context, digest);
    const DigestContext cleared{};
    EXPECT_EQ(std::memcmp(&context, &cleared, sizeof context), 0) << "context not cleared";
    return DigestToHex(digest);
}

std::string HexOf(const std::string& text) { return HexOf(Bytes(text.begin(), text.end()), 64); }

Bytes Pattern(size_t size) {
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + 7);
    return bytes;
}

class Md5Files : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "md5_test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path dir_;
};

}  // namespace

TEST(Md5, Rfc1321TestSuite) {
    const struct { const char* text; const char* hex; } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) EXPECT_EQ(HexOf(c.text), c.hex) << '"' << c.text << '"';
}

TEST(Md5, UpdateCarriesTheBitCountIntoTheHighWord) {
    DigestContext context;
    DigestInit(context);
    context.count[0] = 0xFFFFFE00;  // a whole number of blocks, 64 bytes short of wrapping
    const Bytes block(64, 0);
    DigestUpdate(context, block.data(), 64);
    EXPECT_EQ(context.count[0], 0u);
    EXPECT_EQ(context.count[1], 1u);
}

TEST(Md5, HexIsLowercaseHighNibbleFirst) {
    Digest digest{};
    digest[0] = 0x0f;
    digest[1] = 0xa0;
    digest[15] = 0xcb;
    EXPECT_EQ(DigestToHex(digest), "0fa000000000000000000000000000cb");
}

TEST_F(Md5Files, SmallFilesAcrossBlockAndPaddingBoundaries) {
    const struct { size_t size; const char* hex; } cases[] = {
        {0, "d41d8cd98f00b204e9800998ecf8427e"},   {55, "c9e512626618c9980ef21a96597af94c"},
        {56, "ecde7caa08e9f5657c863df107cac60a"},  {63, "2f0301069e1c40af7f6c8f843b1b13f2"},
        {64, "b6bf87c24b1bc334e2541387a92b981b"},  {65, "f168246f08b6134d66bd2a10343fa9f1"},
        {128, "3e85b70ffc8df5c735ecf2a8f14f1bee"},
    };
    for (const auto& c : cases) {
        const Bytes bytes = Pattern(c.size);
        const std::string path = Write(std::to_string(c.size), bytes);
        EXPECT_EQ(DigestToHex(DigestFile(path)), c.hex) << c.size;
        for (const size_t piece : {1, 7, 13}) EXPECT_EQ(HexOf(bytes, piece), c.hex) << c.size << " by " << piece;
    }
}

TEST_F(Md5Files, LargeFilesAreDigestedWhole) {
    std::mt19937 random(1321);
    for (const size_t size : {size_t{1} << 20, (size_t{2} << 20) + 12345}) {
        Bytes bytes(size);
        for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
        EXPECT_EQ(DigestToHex(DigestFile(Write("big", bytes))), HexOf(bytes, 4099)) << size;
    }
}

TEST_F(Md5Files, WhatCannotBeReadGivesTheEmptyDigest) {
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {(dir_ / "missing").string(), dir_.string(), fifo, std::string()})
        EXPECT_EQ(DigestToHex(DigestFile(path)), kEmptyDigest) << path;
}
