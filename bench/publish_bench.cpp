// Writes the client folder the publish benchmark builds: 2,000 files of
// about 600 MB together, a third of the bytes text, a third random and a third
// binary records, in nested folders. The same folder every time.
//
// Usage: publish_bench DIR
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kFiles = 2000;
constexpr int kLargeFiles = 10;
constexpr double kTotalBytes = 600e6;

// splitmix64: fast, and plenty for test data.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }

private:
    uint64_t state_;
};

// Lines of words from a small vocabulary, as configuration and scripts are.
std::string Text(Random& random, size_t size) {
    static const std::vector<std::string> words = [] {
        Random shapes(7);
        std::vector<std::string> list;
        for (int i = 0; i < 600; ++i) {
            std::string word;
            for (int n = 2 + static_cast<int>(shapes.Next() % 9); n > 0; --n) word += static_cast<char>('a' + shapes.Next() % 26);
            list.push_back(word);
        }
        return list;
    }();
    std::string text;
    text.reserve(size + 64);
    while (text.size() < size) {
        for (int n = 3 + static_cast<int>(random.Next() % 12); n > 0; --n) {
            // Zipf-like: a few words are most of the text.
            const double u = random.Unit();
            text += words[static_cast<size_t>(u * u * u * static_cast<double>(words.size()))];
            text += n > 1 ? ' ' : '\n';
        }
        if (random.Next() % 5 == 0) text += "value = " + std::to_string(random.Next() % 100000) + "\n";
    }
    text.resize(size);
    return text;
}

std::string Noise(Random& random, size_t size) {
    std::string data(size + 8, '\0');
    for (size_t i = 0; i < size; i += 8) {
        const uint64_t word = random.Next();
        std::copy_n(reinterpret_cast<const char*>(&word), 8, data.data() + i);
    }
    data.resize(size);
    return data;
}

// 64-byte records: a counter, small values, slowly moving floats, padding
// and a few bytes of noise, as game data tables are.
std::string Records(Random& random, size_t size) {
    std::string data;
    data.reserve(size + 64);
    float position[3] = {0, 0, 0};
    for (uint32_t id = 0; data.size() < size; ++id) {
        char record[64] = {};
        uint32_t small[3] = {id, static_cast<uint32_t>(random.Next() % 16), static_cast<uint32_t>(random.Next() % 300)};
        for (float& p : position) p += static_cast<float>(random.Unit() - 0.5);
        std::copy_n(reinterpret_cast<const char*>(small), sizeof small, record);
        std::copy_n(reinterpret_cast<const char*>(position), sizeof position, record + 12);
        const uint64_t noise = random.Next();
        std::copy_n(reinterpret_cast<const char*>(&noise), 6, record + 40);
        data.append(record, sizeof record);
    }
    data.resize(size);
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: publish_bench DIR\n");
        return 2;
    }
    const std::filesystem::path root = argv[1];
    Random random(2000);

    // Many small and middling files, log-uniform, and a few large ones;
    // scaled so that they come to the total.
    std::vector<double> sizes;
    for (int i = 0; i < kFiles - kLargeFiles; ++i) sizes.push_back(std::exp(std::log(2048.0) + random.Unit() * std::log(512.0)));
    for (int i = 0; i < kLargeFiles; ++i) sizes.push_back(20e6 + random.Unit() * 12e6);
    double sum = 0;
    for (const double size : sizes) sum += size;

    for (int i = 0; i < kFiles; ++i) {
        const auto size = static_cast<size_t>(sizes[static_cast<size_t>(i)] * kTotalBytes / sum);
        static const char* const kinds[] = {"txt", "bin", "dat"};
        const char* kind = kinds[i % 3];
        char folder[32], name[32];
        std::snprintf(folder, sizeof folder, "d%d/s%d", i % 23, i % 5);
        std::snprintf(name, sizeof name, "file%d.%s", i, kind);
        const std::filesystem::path dir = root / folder;
        std::filesystem::create_directories(dir);
        const std::string data = i % 3 == 0 ? Text(random, size) : i % 3 == 1 ? Noise(random, size) : Records(random, size);
        std::ofstream out(dir / name, std::ios::binary);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write into %s\n", dir.c_str());
            return 1;
        }
    }
    return 0;
}
