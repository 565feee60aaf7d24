#include "support/Bz2Fixture.h"

#include <bzlib.h>

#include <fstream>
#include <stdexcept>

namespace quarnel::test {

std::string Bz2Compress(std::string_view data, int level) {
    // libbz2's documented bound for incompressible input.
    std::string out(data.size() + data.size() / 100 + 600, '\0');
    auto outLength = static_cast<unsigned>(out.size());
    const int code = BZ2_bzBuffToBuffCompress(out.data(), &outLength, const_cast<char*>(data.data()),
                                              static_cast<unsigned>(data.size()), level, 0, 0);
    if (code != BZ_OK) throw std::runtime_error("BZ2_bzBuffToBuffCompress failed: " + std::to_string(code));
    out.resize(outLength);
    return out;
}

void WriteBz2File(const std::string& path, std::string_view data, int level) {
    const std::string bytes = Bz2Compress(data, level);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path);
}

}  // namespace quarnel::test
