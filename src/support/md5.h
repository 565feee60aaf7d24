// MD5 message digests (RFC 1321) of whole files, and their text form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quarnel {

// The 16 output bytes: state words A, B, C, D, each low byte first.
using Digest = std::array<uint8_t, 16>;

// Running state of one digest computation.
struct DigestContext {
    uint32_t state[4];    // A, B, C, D
    uint32_t count[2];    // message bits absorbed, modulo 2^64, low word first
    uint8_t buffer[64];   // input not yet transformed: (count / 8) mod 64 bytes
};

void DigestInit(DigestContext& context);
void DigestUpdate(DigestContext& context, const void* input, uint32_t length);

// Pads, writes the digest and clears the context.
void DigestFinal(DigestContext& context, Digest& digest);

// The digest of the whole file, of any size, or of empty input when the path
// is not a regular file that can be opened and read. Raises nothing.
Digest DigestFile(const std::string& path) noexcept;

// 32 lowercase hex digits, high four bits of each byte first.
std::string DigestToHex(const Digest& digest);

}  // namespace quarnel
