// The floor of an update run: libbz2 alone decompressing every archive
// named on standard input, one after another in one process, output dropped.
#include <bzlib.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main() {
    std::vector<char> in(65536), out(65536);
    std::string name;
    unsigned long long produced = 0;
    while (std::getline(std::cin, name)) {
        std::FILE* file = std::fopen(name.c_str(), "rb");
        if (file == nullptr) {
            std::perror(name.c_str());
            return 1;
        }
        bz_stream stream{};
        BZ2_bzDecompressInit(&stream, 0, 0);
        int code = BZ_OK;
        while (code == BZ_OK) {
            if (stream.avail_in == 0) {
                stream.avail_in = static_cast<unsigned>(std::fread(in.data(), 1, in.size(), file));
                stream.next_in = in.data();
                if (stream.avail_in == 0) break;
            }
            stream.next_out = out.data();
            stream.avail_out = static_cast<unsigned>(out.size());
            code = BZ2_bzDecompress(&stream);
            produced += out.size() - stream.avail_out;
        }
        BZ2_bzDecompressEnd(&stream);
        std::fclose(file);
        if (code != BZ_STREAM_END) {
            std::fprintf(stderr, "%s: bzip2 error %d\n", name.c_str(), code);
            return 1;
        }
    }
    std::printf("%llu\n", produced);
}
