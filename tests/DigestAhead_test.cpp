#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/md5.h"
#include "update/DigestAhead.h"

using namespace quarnel;
using namespace quarnel::test;

namespace {

// Files of many sizes, some entries without a file and some whose file is
// missing, so helpers and the taking thread race over uneven work.
struct Files {
    TempDir dir;
    std::vector<std::string> paths;

    explicit Files(int count) {
        for (int i = 0; i < count; ++i) {
            const std::string name = std::to_string(i) + ".bin";
            if (i % 11 == 5) {
                paths.emplace_back();
            } else if (i % 13 == 7) {
                paths.push_back(dir / "missing");
            } else {
                dir.Write(name, std::string(static_cast<size_t>(i * 7919 % 200000), static_cast<char>(i)));
                paths.push_back(dir / name);
            }
        }
    }
};

}  // namespace

TEST(DigestAhead, EveryEntryGetsItsOwnFilesDigestWhateverTheHelpers) {
    const Files files(400);
    for (const unsigned helpers : {0u, 1u, 3u}) {
        TDigestAhead digests(files.paths, helpers);
        for (size_t i = 0; i < files.paths.size(); ++i) {
            if (files.paths[i].empty()) continue;
            ASSERT_EQ(digests.Take(i), DigestToHex(DigestFile(files.paths[i]))) << i << " with " << helpers;
        }
    }
}

TEST(DigestAhead, AWalkThatStopsEarlyEndsItsHelpers) {
    const Files files(400);
    TDigestAhead digests(files.paths, 3);
    EXPECT_EQ(digests.Take(0), DigestToHex(DigestFile(files.paths[0])));
}
