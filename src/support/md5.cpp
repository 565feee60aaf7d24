#include "support/md5.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileHandle.h"

namespace quarnel {

namespace {

static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);

constexpr uint8_t kPadding[64] = {0x80};
constexpr char kHexDigits[] = "0123456789abcdef";

// Files are read through a buffer of this size; it stays in the cache between
// the copy and the transform.
constexpr size_t kReadChunk = 64 * 1024;

inline uint32_t Word(const uint8_t* block, int i) {
    uint32_t word;
    std::memcpy(&word, block + 4 * i, sizeof word);
    if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
    return word;
}

// In every step the message word and the constant go in first: they do not
// wait for the previous step, so only the round function, the rotation and
// the final addition lie on the chain from one step to the next.
inline void StepF(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += d ^ (b & (c ^ d));
    a = std::rotl(a, s) + b;
}

// G's two terms share no bits, so they may be added, and c & ~d does not
// wait for b, the word the previous step just made.
inline void StepG(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += c & ~d;
    a += b & d;
    a = std::rotl(a, s) + b;
}

inline void StepH(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += (c ^ d) ^ b;
    a = std::rotl(a, s) + b;
}

inline void StepI(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    a += c ^ (b | ~d);
    a = std::rotl(a, s) + b;
}

// Transforms count consecutive 64-byte blocks, keeping the state in locals.
void Transform(uint32_t state[4], const uint8_t* p, size_t count) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; count > 0; --count, p += 64) {
        const uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        StepF(a, b, c, d, Word(p, 0), 0xd76aa478, 7);
        StepF(d, a, b, c, Word(p, 1), 0xe8c7b756, 12);
        StepF(c, d, a, b, Word(p, 2), 0x242070db, 17);
        StepF(b, c, d, a, Word(p, 3), 0xc1bdceee, 22);
        StepF(a, b, c, d, Word(p, 4), 0xf57c0faf, 7);
        StepF(d, a, b, c, Word(p, 5), 0x4787c62a, 12);
        StepF(c, d, a, b, Word(p, 6), 0xa8304613, 17);
        StepF(b, c, d, a, Word(p, 7), 0xfd469501, 22);
        StepF(a, b, c, d, Word(p, 8), 0x698098d8, 7);
        StepF(d, a, b, c, Word(p, 9), 0x8b44f7af, 12);
        StepF(c, d, a, b, Word(p, 10), 0xffff5bb1, 17);
        StepF(b, c, d, a, Word(p, 11), 0x895cd7be, 22);
        StepF(a, b, c, d, Word(p, 12), 0x6b901122, 7);
        StepF(d, a, b, c, Word(p, 13), 0xfd987193, 12);
        StepF(c, d, a, b, Word(p, 14), 0xa679438e, 17);
        StepF(b, c, d, a, Word(p, 15), 0x49b40821, 22);

        StepG(a, b, c, d, Word(p, 1), 0xf61e2562, 5);
        StepG(d, a, b, c, Word(p, 6), 0xc040b340, 9);
        StepG(c, d, a, b, Word(p, 11), 0x265e5a51, 14);
        StepG(b, c, d, a, Word(p, 0), 0xe9b6c7aa, 20);
        StepG(a, b, c, d, Word(p, 5), 0xd62f105d, 5);
        StepG(d, a, b, c, Word(p, 10), 0x02441453, 9);
        StepG(c, d, a, b, Word(p, 15), 0xd8a1e681, 14);
        StepG(b, c, d, a, Word(p, 4), 0xe7d3fbc8, 20);
        StepG(a, b, c, d, Word(p, 9), 0x21e1cde6, 5);
        StepG(d, a, b, c, Word(p, 14), 0xc33707d6, 9);
        StepG(c, d, a, b, Word(p, 3), 0xf4d50d87, 14);
        StepG(b, c, d, a, Word(p, 8), 0x455a14ed, 20);
        StepG(a, b, c, d, Word(p, 13), 0xa9e3e905, 5);
        StepG(d, a, b, c, Word(p, 2), 0xfcefa3f8, 9);
        StepG(c, d, a, b, Word(p, 7), 0x676f02d9, 14);
        StepG(b, c, d, a, Word(p, 12), 0x8d2a4c8a, 20);

        StepH(a, b, c, d, Word(p, 5), 0xfffa3942, 4);
        StepH(d, a, b, c, Word(p, 8), 0x8771f681, 11);
        StepH(c, d, a, b, Word(p, 11), 0x6d9d6122, 16);
        StepH(b, c, d, a, Word(p, 14), 0xfde5380c, 23);
        StepH(a, b, c, d, Word(p, 1), 0xa4beea44, 4);
        StepH(d, a, b, c, Word(p, 4), 0x4bdecfa9, 11);
        StepH(c, d, a, b, Word(p, 7), 0xf6bb4b60, 16);
        StepH(b, c, d, a, Word(p, 10), 0xbebfbc70, 23);
        StepH(a, b, c, d, Word(p, 13), 0x289b7ec6, 4);
        StepH(d, a, b, c, Word(p, 0), 0xeaa127fa, 11);
        StepH(c, d, a, b, Word(p, 3), 0xd4ef3085, 16);
        StepH(b, c, d, a, Word(p, 6), 0x04881d05, 23);
        StepH(a, b, c, d, Word(p, 9), 0xd9d4d039, 4);
        StepH(d, a, b, c, Word(p, 12), 0xe6db99e5, 11);
        StepH(c, d, a, b, Word(p, 15), 0x1fa27cf8, 16);
        StepH(b, c, d, a, Word(p, 2), 0xc4ac5665, 23);

        StepI(a, b, c, d, Word(p, 0), 0xf4292244, 6);
        StepI(d, a, b, c, Word(p, 7), 0x432aff97, 10);
        StepI(c, d, a, b, Word(p, 14), 0xab9423a7, 15);
        StepI(b, c, d, a, Word(p, 5), 0xfc93a039, 21);
        StepI(a, b, c, d, Word(p, 12), 0x655b59c3, 6);
        StepI(d, a, b, c, Word(p, 3), 0x8f0ccc92, 10);
        StepI(c, d, a, b, Word(p, 10), 0xffeff47d, 15);
        StepI(b, c, d, a, Word(p, 1), 0x85845dd1, 21);
        StepI(a, b, c, d, Word(p, 8), 0x6fa87e4f, 6);
        StepI(d, a, b, c, Word(p, 15), 0xfe2ce6e0, 10);
        StepI(c, d, a, b, Word(p, 6), 0xa3014314, 15);
        StepI(b, c, d, a, Word(p, 13), 0x4e0811a1, 21);
        StepI(a, b, c, d, Word(p, 4), 0xf7537e82, 6);
        StepI(d, a, b, c, Word(p, 11), 0xbd3af235, 10);
        StepI(c, d, a, b, Word(p, 2), 0x2ad7d2bb, 15);
        StepI(b, c, d, a, Word(p, 9), 0xeb86d391, 21);

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

// Writes count words, each low byte first.
void Encode(uint8_t* out, const uint32_t* words, int count) {
    for (int i = 0; i < count; ++i) {
        out[4 * i] = static_cast<uint8_t>(words[i]);
        out[4 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
        out[4 * i + 2] = static_cast<uint8_t>(words[i] >> 16);
        out[4 * i + 3] = static_cast<uint8_t>(words[i] >> 24);
    }
}

// The file is read through a small buffer rather than mapped: the copy costs
// less than setting up and first touching mapped pages, for large files as
// for small ones.
bool AbsorbFile(DigestContext& context, const std::string& path) {
    // Non-blocking, so that a FIFO does not hold the open; it is refused below.
    FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!file) return false;
    struct stat info;
    if (::fstat(file.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    auto size = static_cast<uint64_t>(info.st_size);
    if (size > kReadChunk) ::posix_fadvise(file.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

    uint8_t chunk[kReadChunk];
    while (size > 0) {
        const ssize_t n = ::read(file.Get(), chunk, static_cast<size_t>(std::min<uint64_t>(size, sizeof chunk)));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        DigestUpdate(context, chunk, static_cast<uint32_t>(n));
        size -= static_cast<uint64_t>(n);
    }
    return true;
}

}  // namespace

void DigestInit(DigestContext& context) {
    context = DigestContext{{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476}, {0, 0}, {}};
}

void DigestUpdate(DigestContext& context, const void* input, uint32_t length) {
    if (length == 0) return;
    const auto* bytes = static_cast<const uint8_t*>(input);
    const uint32_t index = (context.count[0] >> 3) & 63;

    const uint32_t bits = length << 3;
    context.count[0] += bits;
    if (context.count[0] < bits) ++context.count[1];
    context.count[1] += length >> 29;

    if (index != 0) {
        const uint32_t room = 64 - index;
        if (length < room) {
            std::memcpy(context.buffer + index, bytes, length);
            return;
        }
        std::memcpy(context.buffer + index, bytes, room);
        Transform(context.state, context.buffer, 1);
        bytes += room;
        length -= room;
    }
    Transform(context.state, bytes, length / 64);
    std::memcpy(context.buffer, bytes + (length & ~63u), length & 63);
}

void DigestFinal(DigestContext& context, Digest& digest) {
    uint8_t bits[8];
    Encode(bits, context.count, 2);
    const uint32_t index = (context.count[0] >> 3) & 63;
    DigestUpdate(context, kPadding, index < 56 ? 56 - index : 120 - index);
    DigestUpdate(context, bits, sizeof bits);
    Encode(digest.data(), context.state, 4);
    context = DigestContext{};
}

Digest DigestFile(const std::string& path) noexcept {
    DigestContext context;
    DigestInit(context);
    // A file that fails part way counts as unreadable as a whole.
    if (!AbsorbFile(context, path)) DigestInit(context);
    Digest digest;
    DigestFinal(context, digest);
    return digest;
}

std::string DigestToHex(const Digest& digest) {
    std::string text;
    text.reserve(2 * digest.size());
    for (const uint8_t byte : digest) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0x0f];
    }
    return text;
}

}  // namespace quarnel
