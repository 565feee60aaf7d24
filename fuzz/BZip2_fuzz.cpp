// Drives the decompression stream over arbitrary sources with a script of
// reads, seeks, restarts and source moves taken from the input's tail. The
// source is either the raw input or a real bzip2 stream made from it and
// then cut, damaged or followed by more bytes, so that both the signature
// checks and the paths past a valid header get exercised.
#include <bzlib.h>
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../tests/support/MemoryStream.h"
#include "platform/Exceptions.h"
#include "support/BZip2.h"

using namespace quarnel;

namespace {

std::string Compress(const std::string& data, int level) {
    std::string out(data.size() + data.size() / 100 + 600, '\0');
    auto length = static_cast<unsigned>(out.size());
    if (BZ2_bzBuffToBuffCompress(out.data(), &length, const_cast<char*>(data.data()),
                                 static_cast<unsigned>(data.size()), level, 0, 0) != BZ_OK) {
        __builtin_trap();
    }
    out.resize(length);
    return out;
}

std::string MakeSource(FuzzedDataProvider& in) {
    const int mode = in.ConsumeIntegralInRange(0, 4);
    const int level = in.ConsumeIntegralInRange(1, 9);
    const size_t at = in.ConsumeIntegral<uint16_t>();
    const auto flip = in.ConsumeIntegral<uint8_t>();
    std::string data = in.ConsumeRemainingBytesAsString();
    if (mode == 0) return data;
    std::string bytes = Compress(data, level);
    switch (mode) {
        case 2: bytes.resize(at % (bytes.size() + 1)); break;
        case 3: bytes[at % bytes.size()] ^= static_cast<char>(flip | 1); break;
        case 4: bytes += data.substr(0, at % 64); break;
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    // The script comes off the tail first; whatever is left makes the source.
    struct Op { int kind; int64_t value; };
    std::vector<Op> script(in.ConsumeIntegralInRange(1, 24));
    for (auto& op : script) {
        op.kind = in.ConsumeIntegralInRange(0, 7);
        op.value = in.ConsumeIntegral<int32_t>();
    }
    test::MemoryStream source(MakeSource(in));

    // Skips are bounded so that a bzip2 bomb cannot turn one input into minutes.
    constexpr int64_t kMaxSkip = 256 * 1024;
    std::vector<char> buffer(70000);
    TBZDecompressionStream stream(source);
    stream.ProgressEvent = [&](TStream& sender) {
        if (&sender != &stream) __builtin_trap();
    };
    for (const Op& op : script) {
        try {
            switch (op.kind) {
                case 0:
                case 1: {
                    const auto count = static_cast<int32_t>(op.value % 70001);
                    const int32_t n = stream.Read(buffer.data(), count);
                    if (n < 0 || n > (count < 0 ? 0 : count)) __builtin_trap();
                    break;
                }
                case 2: stream.Seek64(op.value % kMaxSkip, soCurrent); break;
                case 3: stream.Seek(static_cast<int32_t>(op.value % kMaxSkip), soBeginning); break;
                case 4: stream.Seek64(0, soBeginning); break;
                case 5:
                    stream.Seek(static_cast<int32_t>(op.value % kMaxSkip), static_cast<uint16_t>(op.value & 3));
                    break;
                case 6: source.SetPosition(op.value & 0xFFFF); break;
                case 7: stream.Size(); break;
            }
        } catch (const Exception&) {
            // Refused operations, bad data and short skips all end up here.
        }
    }
    return 0;
}
