// Reads the largest section of a 100k-line manifest, the way an update run
// reads it, against sed cutting the same block out of the same file.
// Usage: LstFile_bench <scratch folder>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "update/LstFile.h"

using namespace quarnel;

namespace {

constexpr int kLines = 100000;
constexpr int kRounds = 5;

template <typename Job>
double BestSeconds(Job job) {
    double best = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        job();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <scratch folder>\n", argv[0]);
        return 2;
    }
    const std::string path = std::string(argv[1]) + "/files.lst";
    {
        std::ofstream out(path, std::ios::binary);
        out << "[settings]\r\nRev|1000\r\nModHosts|0\r\n[/settings]\r\n[files_normal]\r\n";
        for (int i = 0; i < kLines; ++i)
            out << "Data\\pack" << i / 100 << "\\file" << i << ".dat|0123456789abcdef0123456789abcdef|" << i * 37
                << "\r\n";
        out << "[/files_normal]\r\n";
    }
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    TListFile list(path);
    int entries = 0;
    const double reader = BestSeconds([&] { entries = list.ReadSection("files_normal").Count(); });
    if (entries != kLines) {
        std::fprintf(stderr, "read %d entries, expected %d\n", entries, kLines);
        return 1;
    }
    const std::string sed = "sed -n '/^\\[files_normal\\]\\r$/,/^\\[\\/files_normal\\]\\r$/p' '" + path + "' >/dev/null";
    const double peer = BestSeconds([&] {
        if (std::system(sed.c_str()) != 0) std::exit(1);
    });
    std::printf("lstfile ReadSection 100k lines: %.0f MB/s (%.2f of sed)\n", megabytes / reader, peer / reader);
    return 0;
}
