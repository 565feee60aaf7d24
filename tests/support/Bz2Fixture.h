// bzip2 data made at test time by libbz2's own compressor.
#pragma once

#include <string>
#include <string_view>

namespace quarnel::test {

// The whole of data as one bzip2 stream; level is the block size in 100k units.
std::string Bz2Compress(std::string_view data, int level = 9);

// Writes Bz2Compress(data, level) to path, replacing any file there.
void WriteBz2File(const std::string& path, std::string_view data, int level = 9);

}  // namespace quarnel::test
