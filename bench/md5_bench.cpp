// Prints "digest  name" for every file named on the command line, as md5sum
// does, so that a script can time and check it against md5sum.
// Usage: md5_bench FILE... | md5_bench -l LISTFILE (one name a line)
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "support/md5.h"

namespace {

void Print(const std::string& path) {
    std::printf("%s  %s\n", quarnel::DigestToHex(quarnel::DigestFile(path)).c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "-l") == 0) {
        std::ifstream list(argv[2]);
        if (!list) {
            std::fprintf(stderr, "cannot open %s\n", argv[2]);
            return 1;
        }
        for (std::string path; std::getline(list, path);) Print(path);
        return 0;
    }
    for (int i = 1; i < argc; ++i) Print(argv[i]);
    return 0;
}
